// Renders the user manual from its Markdown source into the PDF that Help opens,
// with Qt's own text layout, so building the manual needs nothing beyond Qt.
// Usage: render-manual <picture folder> <output.pdf> <chapter.md>...
// The chapters are joined in the order given. Pictures they name are taken from
// the picture folder; a missing one fails the build rather than leave a hole.

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextTable>

#include <algorithm>
#include <cstdio>

namespace {

const char *const kTitle = "ZUV-DL-CFG User Manual";
constexpr double kCssDpi = 96.0;           // the unit of picture sizes and frame margins
constexpr double kSideMarginMm = 20.0;
constexpr double kTopMarginMm = 22.0;      // room for the running head
constexpr double kBottomMarginMm = 22.0;   // room for the page number

double mmToCss(double mm) { return mm / 25.4 * kCssDpi; }

bool fail(const QString &text)
{
    std::fprintf(stderr, "render-manual: %s\n", qPrintable(text));
    return false;
}

// Loads every picture the source names and fits it into the text width and
// into half a page, keeping its proportions; screenshots keep their own size
// when they fit, so a dialog looks as large as on the screen.
bool placePictures(QTextDocument &doc, const QString &pictureDir, double textWidth, double maxHeight)
{
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().isImageFormat())
                continue;
            QTextImageFormat format = fragment.charFormat().toImageFormat();
            const QString file = pictureDir + QLatin1Char('/') + format.name();
            QImage image(file);
            if (image.isNull())
                return fail(QStringLiteral("cannot read picture %1").arg(file));
            // A thin frame: white dialogs on a white page have no edge of their own.
            image = image.convertToFormat(QImage::Format_RGB32);
            QPainter frame(&image);
            frame.setPen(QColor(0x9A, 0xA5, 0xB1));
            frame.drawRect(image.rect().adjusted(0, 0, -1, -1));
            frame.end();
            doc.addResource(QTextDocument::ImageResource, QUrl(format.name()), image);
            const double scale = std::min({1.0, textWidth / image.width(), maxHeight / image.height()});
            format.setWidth(image.width() * scale);
            format.setHeight(image.height() * scale);
            QTextCursor cursor(&doc);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(format);
        }
    }
    return true;
}

QTextCharFormat codeFormat()
{
    QTextCharFormat format;
    format.setFontFamily(QStringLiteral("DejaVu Sans Mono"));
    format.setFontFixedPitch(true);
    format.setFontStyleHint(QFont::Monospace);
    format.setFontPointSize(9.5);
    return format;
}

// Each chapter starts on a page of its own; pictures and code get some air, and
// code one font size, inline or in blocks.
void shapeBlocks(QTextDocument &doc)
{
    bool first = true;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        QTextBlockFormat format = block.blockFormat();
        const bool code = format.hasProperty(QTextFormat::BlockCodeFence);
        // The importer ends every fenced block with an empty line.
        if (code && block.text().isEmpty() && !block.next().blockFormat().hasProperty(QTextFormat::BlockCodeFence)) {
            QTextCursor cursor(block);
            cursor.movePosition(QTextCursor::PreviousCharacter, QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
            block = cursor.block();
            continue;
        }
        if (format.headingLevel() == 1) {
            if (!first)
                format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            first = false;
        }
        if (format.headingLevel() > 0)
            format.setTopMargin(format.headingLevel() == 1 ? 6 : 12);
        if (code) {
            format.setBackground(QColor(0xF0, 0xF3, 0xF7));
            format.setLeftMargin(8);
            if (!block.previous().blockFormat().hasProperty(QTextFormat::BlockCodeFence))
                format.setTopMargin(4);
            if (!block.next().blockFormat().hasProperty(QTextFormat::BlockCodeFence)
                || block.next().text().isEmpty())
                format.setBottomMargin(6);
        }
        const bool picture = block.text() == QString(QChar::ObjectReplacementCharacter);
        if (picture) {
            format.setTopMargin(6);
            format.setBottomMargin(10);
        }
        QTextCursor(block).setBlockFormat(format);
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            // The importer marks code with a pitch property, but names the
            // platform's fixed font, which offscreen is a proportional one.
            if (!code && !fragment.charFormat().hasProperty(QTextFormat::FontFixedPitch))
                continue;
            QTextCursor cursor(&doc);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.mergeCharFormat(codeFormat());
        }
    }
}

// Full-width tables with single thin rules, padded cells and a tinted header row.
void shapeTables(QTextDocument &doc)
{
    for (QTextFrame *frame : doc.rootFrame()->childFrames()) {
        auto *table = qobject_cast<QTextTable *>(frame);
        if (!table)
            continue;
        QTextTableFormat format = table->format();
        format.setBorder(0.6);
        format.setBorderBrush(QColor(0x9A, 0xA5, 0xB1));
        format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        format.setBorderCollapse(true);
        format.setCellSpacing(0);
        format.setCellPadding(4);
        format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
        format.setTopMargin(4);
        format.setBottomMargin(8);
        table->setFormat(format);
        for (int column = 0; column < table->columns(); ++column) {
            QTextTableCell cell = table->cellAt(0, column);
            QTextCharFormat header = cell.format();
            header.setBackground(QColor(0xE4, 0xEE, 0xF8));
            cell.setFormat(header);
        }
    }
}

// The page a block's first line lands on. A picture too tall for the rest of a
// page moves its line to the next, while its block still starts on this one.
int pageOf(const QTextDocument &doc, const QTextBlock &block)
{
    const QTextLayout *layout = block.layout();
    const double top = doc.documentLayout()->blockBoundingRect(block).top()
                       + (layout->lineCount() > 0 ? layout->lineAt(0).y() : 0);
    return int(top / doc.pageSize().height());
}

// Moves one heading or table that the page ends right after (a heading without
// its text, a table's header row without a row below it) to the next page.
bool moveOneOrphan(QTextDocument &doc)
{
    for (QTextFrame *frame : doc.rootFrame()->childFrames()) {
        auto *table = qobject_cast<QTextTable *>(frame);
        if (!table || table->rows() < 2 || table->format().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
            continue;
        if (pageOf(doc, table->cellAt(0, 0).firstCursorPosition().block())
            != pageOf(doc, table->cellAt(1, 0).firstCursorPosition().block())) {
            QTextTableFormat format = table->format();
            format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            table->setFormat(format);
            return true;
        }
    }
    for (QTextBlock block = doc.begin(); block.isValid() && block.next().isValid(); block = block.next()) {
        QTextBlockFormat format = block.blockFormat();
        // A heading that starts a page already stays where it is.
        if (format.headingLevel() == 0 || format.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore
            || pageOf(doc, block.next()) == pageOf(doc, block))
            continue;
        format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        QTextCursor(block).setBlockFormat(format);
        return true;
    }
    return false;
}

// Qt's layout knows no "keep with next": orphans are moved one at a time, with
// the whole layout run again in between (a changed block leaves the layout of
// the blocks after it undone).
void keepWithNext(QTextDocument &doc)
{
    do {
        doc.markContentsDirty(0, doc.characterCount());
        doc.documentLayout()->documentSize();
    } while (moveOneOrphan(doc));
}

bool render(QTextDocument &doc, const QString &outPath)
{
    QPdfWriter writer(outPath);
    writer.setTitle(QLatin1String(kTitle));
    writer.setCreator(QStringLiteral("ZUV-DL-CFG"));
    writer.setResolution(300);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    QPainter painter;
    if (!painter.begin(&writer))
        return fail(QStringLiteral("cannot write %1").arg(outPath));
    // Screenshots are mostly text: JPEG would blur every letter.
    painter.setRenderHint(QPainter::LosslessImageRendering);

    // Laid out for the writer itself: page size in its pixels, margins and
    // picture sizes in CSS pixels, which the layout scales.
    doc.documentLayout()->setPaintDevice(&writer);
    const double cssToDevice = writer.logicalDpiX() / kCssDpi;
    QTextFrameFormat frame = doc.rootFrame()->frameFormat();
    frame.setLeftMargin(mmToCss(kSideMarginMm));
    frame.setRightMargin(mmToCss(kSideMarginMm));
    frame.setTopMargin(mmToCss(kTopMarginMm));
    frame.setBottomMargin(mmToCss(kBottomMarginMm));
    doc.rootFrame()->setFrameFormat(frame);
    const QSizeF page(writer.width(), writer.height());
    doc.setPageSize(page);
    keepWithNext(doc);

    QFont small = doc.defaultFont();
    small.setPointSizeF(small.pointSizeF() * 0.8);
    const int pages = doc.pageCount();
    for (int i = 0; i < pages; ++i) {
        if (i > 0)
            writer.newPage();
        const QRectF view(0, i * page.height(), page.width(), page.height());
        painter.save();
        painter.translate(0, -view.top());
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = view;
        painter.setClipRect(view);
        doc.documentLayout()->draw(&painter, context);
        painter.restore();

        painter.setFont(small);
        painter.setPen(QColor(0x55, 0x5F, 0x6B));
        const double side = mmToCss(kSideMarginMm) * cssToDevice;
        const double band = mmToCss(12) * cssToDevice;
        if (i > 0)
            painter.drawText(QRectF(side, 0, page.width() - 2 * side, band), Qt::AlignLeft | Qt::AlignBottom,
                             QLatin1String(kTitle));
        painter.drawText(QRectF(side, page.height() - band, page.width() - 2 * side, band),
                         Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("%1 / %2").arg(i + 1).arg(pages));
    }
    return painter.end();
}

} // namespace

int main(int argc, char *argv[])
{
    // A build runs without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: render-manual <picture folder> <output.pdf> <chapter.md>...\n");
        return 2;
    }
    QString markdown;
    for (int i = 3; i < argc; ++i) {
        QFile chapter(QString::fromLocal8Bit(argv[i]));
        if (!chapter.open(QIODevice::ReadOnly)) {
            fail(QStringLiteral("cannot read %1").arg(chapter.fileName()));
            return 1;
        }
        markdown += QString::fromUtf8(chapter.readAll()) + QStringLiteral("\n\n");
    }

    QTextDocument doc;
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(10.5);
    doc.setDefaultFont(font);
    doc.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);

    const double textWidth = mmToCss(210 - 2 * kSideMarginMm);
    const double textHeight = mmToCss(297 - kTopMarginMm - kBottomMarginMm);
    if (!placePictures(doc, QString::fromLocal8Bit(argv[1]), textWidth, textHeight * 0.55))
        return 1;
    shapeBlocks(doc);
    shapeTables(doc);
    return render(doc, QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}

#pragma once

#include <QImage>
#include <QPointer>
#include <QSemaphore>
#include <QStringList>
#include <QThread>
#include <QVector>

class MyAdvertiseWidget;

// Decodes the banner's pictures on a worker thread, started before the main
// window builds its widgets: decoding them on the GUI thread held the window
// back by several milliseconds each, and only the first is seen at opening.
class BannerPictures : public QThread
{
public:
    BannerPictures(const QStringList &paths, QObject *parent);
    // A window closed before the decoding ended waits for it.
    ~BannerPictures() override;

    // Gives the banner the first picture, waiting for it if needed, and all of
    // them once every one is decoded. The banner's pictures are then ours alone.
    void handTo(MyAdvertiseWidget *banner);

protected:
    void run() override;

private:
    void handAllOver();

    const QStringList m_paths;
    QVector<QImage> m_images; // slot i is written by the worker only, before it says so
    QSemaphore m_firstDecoded;
    QPointer<MyAdvertiseWidget> m_banner;
    QPixmap *m_first = nullptr;
    bool m_allDecoded = false;
};

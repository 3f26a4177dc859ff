#include "app/bannerpictures.h"

#include "app/myadvertisewidget.h"

#include <QPixmap>

BannerPictures::BannerPictures(const QStringList &paths, QObject *parent)
    : QThread(parent)
    , m_paths(paths)
    , m_images(paths.size())
{
    // Queued to the GUI thread, like handTo: the two never race.
    connect(this, &QThread::finished, this, [this] {
        m_allDecoded = true;
        handAllOver();
    });
    start();
}

BannerPictures::~BannerPictures()
{
    wait();
}

void BannerPictures::run()
{
    for (int i = 0; i < m_paths.size(); ++i) {
        m_images[i] = QImage(m_paths.at(i));
        if (i == 0)
            m_firstDecoded.release();
    }
}

void BannerPictures::handTo(MyAdvertiseWidget *banner)
{
    m_banner = banner;
    if (m_paths.isEmpty()) {
        banner->setPixmap({});
        return;
    }
    m_firstDecoded.acquire();
    m_first = new QPixmap(QPixmap::fromImage(m_images.at(0)));
    banner->setPixmap({m_first});
    handAllOver();
}

void BannerPictures::handAllOver()
{
    if (!m_allDecoded || !m_banner || !m_first || m_paths.size() < 2)
        return;
    QList<QPixmap *> pictures{m_first};
    for (int i = 1; i < m_images.size(); ++i)
        pictures.append(new QPixmap(QPixmap::fromImage(m_images.at(i))));
    m_images.clear();
    m_banner->setPixmap(pictures);
    m_first = nullptr; // handed over once
}

// ovra-sample-store: fills a sample photo store for a demo: today's photo day
// with one code per room screen, and a demo slides folder. Each folder is made
// beside its place under a hidden name and renamed into place only when whole,
// so an interrupted run never leaves a folder that a later run takes as done;
// a folder that lacks any of its files is made again.
#include "shell/CommonHeader.h"
#include "support/PhotoStoreLayout.h"

#include "CameraLikeImage.h"

#include <QBuffer>
#include <QColor>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>
#include <QTextStream>
#include <QtConcurrent/QtConcurrentMap>

#include <atomic>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

struct Photo
{
    QString file;
    QSize size;           // as shown, after the EXIF orientation is applied
    bool rotated = false; // stored on its side with EXIF orientation 6
};

struct SampleCode
{
    QString code;
    QString name;
    QColor tint;
    QList<Photo> photos;
};

// Camera-sized photos (12 MP) beside smaller ones, both orientations, one
// photo that only shows upright through its EXIF tag, and a name that needs
// escaping in XML.
const QList<SampleCode> &sampleCodes()
{
    static const QList<SampleCode> codes{
        {u"10001234"_s,
         u"Anna Berger"_s,
         QColor(200, 60, 40),
         {{u"IMG_0001.jpg"_s, {4000, 3000}},
          {u"IMG_0002.jpg"_s, {3000, 4000}, true},
          {u"IMG_0003.jpg"_s, {2400, 1600}}}},
        {u"10005678"_s,
         u"Smith & Jones"_s,
         QColor(40, 90, 200),
         {{u"IMG_0101.jpg"_s, {3000, 4000}}, {u"IMG_0102.jpg"_s, {2400, 1600}}}},
        {u"10002468"_s,
         u"Lena Okafor"_s,
         QColor(40, 160, 70),
         {{u"IMG_0201.jpg"_s, {2400, 1600}}, {u"IMG_0202.jpg"_s, {1600, 2400}}}},
        {u"10003690"_s,
         u"Marek Nowak"_s,
         QColor(210, 160, 30),
         {{u"IMG_0301.jpg"_s, {4000, 3000}}, {u"IMG_0302.jpg"_s, {1600, 2400}}}},
    };
    return codes;
}

const QList<Photo> &demoSlides()
{
    static const QList<Photo> slides{{u"Slide_1.jpg"_s, {1920, 1080}},
                                     {u"Slide_2.jpg"_s, {1920, 1080}},
                                     {u"Slide_3.jpg"_s, {1080, 1920}}};
    return slides;
}

struct Job
{
    QString path;
    Photo photo;
    QColor tint;
    QStringList caption;
    quint32 seed = 0;
    QDateTime modified;
};

bool render(const Job &job)
{
    // Turned by the seed, so that photos differ at a glance, not only in detail.
    QImage image =
        cameraLikeImage(job.photo.size.width(), job.photo.size.height(), job.seed, job.seed % 7)
            .mirrored(job.seed & 1, job.seed & 2);
    {
        QPainter painter(&image);
        QColor tint = job.tint;
        tint.setAlpha(150);
        painter.fillRect(image.rect(), tint);
        QFont font = painter.font();
        font.setFamily(u"DejaVu Sans"_s);
        font.setBold(true);
        font.setPixelSize(qMin(image.width(), image.height()) / 16);
        painter.setFont(font);
        const QRect text = image.rect();
        painter.setPen(QColor(0, 0, 0, 140));
        painter.drawText(text.translated(font.pixelSize() / 16, font.pixelSize() / 16),
                         Qt::AlignCenter, job.caption.join(u'\n'));
        painter.setPen(Qt::white);
        painter.drawText(text, Qt::AlignCenter, job.caption.join(u'\n'));
    }
    if (job.photo.rotated) {
        // Stored turned left; a viewer that honours the tag turns it back.
        image = image.transformed(QTransform().rotate(-90));
    }
    QBuffer jpeg;
    jpeg.open(QIODevice::WriteOnly);
    QImageWriter writer(&jpeg, "jpeg");
    writer.setQuality(90);
    if (!writer.write(image)) {
        return false;
    }
    QByteArray bytes = jpeg.data();
    if (job.photo.rotated) {
        // Qt writes no EXIF: an APP1 segment holding only the orientation
        // (6: turn right to show), after the JFIF segment that must come first.
        static const QByteArray exif = QByteArray::fromHex("ffe10022"
                                                           "457869660000"
                                                           "4d4d002a00000008"
                                                           "0001"
                                                           "011200030000000100060000"
                                                           "00000000");
        const qsizetype afterJfif = bytes.startsWith("\xff\xd8\xff\xe0")
                                        ? 4 + ((uchar(bytes[4]) << 8) | uchar(bytes[5]))
                                        : 2;
        bytes.insert(afterJfif, exif);
    }
    QFile file(job.path);
    // Dated a minute apart, as a camera would, so newest-first is a fixed order.
    // Flushed first: closing would otherwise write the buffer and date it now.
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush() &&
           file.setFileTime(job.modified, QFileDevice::FileModificationTime);
}

QString infoFile(const SampleCode &code, int index)
{
    return uR"(<?xml version="1.0" encoding="UTF-8"?>
<data>
	<code>%1</code>
	<name>%2</name>
	<email>guest%3@example.org</email>
</data>
)"_s.arg(code.code, code.name.toHtmlEscaped())
        .arg(index + 1);
}

bool writeText(const QString &path, const QString &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0;
}

bool isWhole(const QString &folder, const QStringList &files)
{
    for (const QString &name : files) {
        const QFileInfo info(folder + u'/' + name);
        if (!info.isFile() || info.size() == 0) {
            return false;
        }
    }
    return true;
}

// Makes target through fill(folder) in a hidden folder beside it, then swaps
// it in. Leftovers of an interrupted run go first.
bool makeAtomically(const QString &target, const std::function<bool(const QString &)> &fill)
{
    const QFileInfo info(target);
    QDir parent(info.absolutePath());
    if (!parent.mkpath(u"."_s)) {
        return false;
    }
    const QString stem = u"."_s + info.fileName();
    for (const QString &left : parent.entryList({stem + u".partial-*"_s, stem + u".old-*"_s},
                                                QDir::AllEntries | QDir::Hidden)) {
        QDir(parent.filePath(left)).removeRecursively();
    }
    const QString pid = QString::number(QCoreApplication::applicationPid());
    const QString partial = parent.filePath(stem + u".partial-"_s + pid);
    const QString old = parent.filePath(stem + u".old-"_s + pid);
    if (!parent.mkpath(partial) || !fill(partial)) {
        QDir(partial).removeRecursively();
        return false;
    }
    if (info.exists() && !parent.rename(info.fileName(), old)) {
        return false;
    }
    if (!parent.rename(partial, info.fileName())) {
        return false;
    }
    QDir(old).removeRecursively();
    return true;
}

bool renderAll(const QList<Job> &jobs)
{
    std::atomic<bool> ok = true;
    QtConcurrent::blockingMap(jobs, [&ok](const Job &job) {
        if (!render(job)) {
            ok = false;
        }
    });
    return ok;
}

bool fillDay(const QString &folder)
{
    const QDateTime now = QDateTime::currentDateTime();
    QList<Job> jobs;
    for (int i = 0; i < sampleCodes().size(); ++i) {
        const SampleCode &code = sampleCodes().at(i);
        const QString codeFolder = folder + u'/' + code.code;
        if (!QDir().mkpath(codeFolder) ||
            !writeText(codeFolder + u'/' + code.code + u".xml"_s, infoFile(code, i))) {
            return false;
        }
        for (int p = 0; p < code.photos.size(); ++p) {
            const Photo &photo = code.photos.at(p);
            QStringList caption{code.code, code.name,
                                u"photo %1 of %2"_s.arg(p + 1).arg(code.photos.size()),
                                u"%1×%2"_s.arg(photo.size.width()).arg(photo.size.height())};
            if (photo.rotated) {
                caption.append(u"upright by EXIF"_s);
            }
            // The first photo is the newest, so the slideshow starts with it.
            const QColor tint = QColor::fromHsv((code.tint.hsvHue() + 80 * p) % 360,
                                                code.tint.hsvSaturation(), code.tint.value());
            jobs.append({codeFolder + u'/' + photo.file, photo, tint, caption,
                         quint32(100 * i + p + 1), now.addSecs(-600 - 60 * p)});
        }
    }
    return renderAll(jobs);
}

bool fillDemo(const QString &folder)
{
    const QDateTime now = QDateTime::currentDateTime();
    QList<Job> jobs;
    for (int i = 0; i < demoSlides().size(); ++i) {
        jobs.append({folder + u'/' + demoSlides().at(i).file, demoSlides().at(i),
                     QColor(90, 40, 160),
                     QStringList{u"Ovra VideoWall"_s, u"Demo slide %1"_s.arg(i + 1)},
                     quint32(900 + i), now.addSecs(-600 - 60 * i)});
    }
    return renderAll(jobs);
}

} // namespace

int main(int argc, char *argv[])
{
    // Drawing needs fonts, not a screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 2) {
        err << "usage: ovra-sample-store STORE_ROOT DEMO_SLIDES_FOLDER\n";
        return 2;
    }
    const QString day = getDailyFolderName2(kDefaultDailyFolderFormat);
    const QString dayFolder = QDir(args.at(0)).absoluteFilePath(day);
    const QString demoFolder = QDir(args.at(1)).absolutePath();

    QStringList dayFiles;
    for (const SampleCode &code : sampleCodes()) {
        dayFiles.append(code.code + u'/' + code.code + u".xml"_s);
        for (const Photo &photo : code.photos) {
            dayFiles.append(code.code + u'/' + photo.file);
        }
    }
    QStringList demoFiles;
    for (const Photo &slide : demoSlides()) {
        demoFiles.append(slide.file);
    }

    const bool dayWhole = isWhole(dayFolder, dayFiles);
    if (!dayWhole && !makeAtomically(dayFolder, fillDay)) {
        err << "ovra-sample-store: could not make " << dayFolder << '\n';
        return 1;
    }
    const bool demoWhole = isWhole(demoFolder, demoFiles);
    if (!demoWhole && !makeAtomically(demoFolder, fillDemo)) {
        err << "ovra-sample-store: could not make " << demoFolder << '\n';
        return 1;
    }
    out << "Sample photo store for " << day << (dayWhole ? " (kept): " : " (made): ") << dayFolder
        << '\n';
    for (const SampleCode &code : sampleCodes()) {
        out << "    " << code.code << "  " << code.name.leftJustified(16) << code.photos.size()
            << " photos\n";
    }
    out << "Demo slides" << (demoWhole ? " (kept): " : " (made): ") << demoFolder << '\n';
    return 0;
}

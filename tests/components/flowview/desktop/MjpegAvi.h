#pragma once
// Writes a short Motion-JPEG movie in an AVI file (one video stream, every frame a
// key frame, an index at the end): what the GStreamer plug-ins of these machines play.
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QList>
#include <QtEndian>

namespace flowtest {

class MjpegAviWriter
{
public:
    static bool write(const QString &path, const QList<QImage> &frames, int framesPerSecond)
    {
        if (frames.isEmpty())
            return false;
        const QSize size = frames.first().size();
        QList<QByteArray> jpegs;
        for (const QImage &frame : frames) {
            QByteArray jpeg;
            QBuffer buffer(&jpeg);
            buffer.open(QIODevice::WriteOnly);
            QImageWriter(&buffer, "jpeg").write(frame.convertToFormat(QImage::Format_RGB32));
            jpegs.append(jpeg);
        }
        QByteArray movi = "movi";
        QByteArray index;
        qsizetype biggest = 0;
        for (const QByteArray &jpeg : jpegs) {
            const quint32 offset = quint32(movi.size());
            movi += chunk("00dc", jpeg);
            index += "00dc" + le(0x10) + le(offset) + le(quint32(jpeg.size()));
            biggest = std::max(biggest, jpeg.size());
        }
        const quint32 count = quint32(frames.size());
        const QByteArray avih = le(1000000 / framesPerSecond) + le(0) + le(0) + le(0x10) + le(count) + le(0) + le(1)
            + le(quint32(biggest)) + le(size.width()) + le(size.height()) + QByteArray(16, '\0');
        const QByteArray strh = QByteArray("vidsMJPG") + le(0) + le(0) + le(0) + le(1) + le(framesPerSecond) + le(0)
            + le(count) + le(quint32(biggest)) + le(0xffffffffu) + le(0) + le16(0) + le16(0) + le16(size.width())
            + le16(size.height());
        const QByteArray strf = le(40) + le(size.width()) + le(size.height()) + le16(1) + le16(24) + "MJPG"
            + le(size.width() * size.height() * 3) + le(0) + le(0) + le(0) + le(0);
        const QByteArray hdrl = list("hdrl", chunk("avih", avih) + list("strl", chunk("strh", strh) + chunk("strf", strf)));
        const QByteArray body = "AVI " + hdrl + list(nullptr, movi) + chunk("idx1", index);
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(chunk("RIFF", body)) > 0;
    }

private:
    static QByteArray le(quint32 value)
    {
        QByteArray bytes(4, '\0');
        qToLittleEndian(value, bytes.data());
        return bytes;
    }
    static QByteArray le(int value) { return le(quint32(value)); }
    static QByteArray le16(int value)
    {
        QByteArray bytes(2, '\0');
        qToLittleEndian(quint16(value), bytes.data());
        return bytes;
    }
    static QByteArray chunk(const char *id, const QByteArray &data)
    {
        QByteArray out = QByteArray(id, 4) + le(quint32(data.size())) + data;
        if (data.size() % 2)
            out += '\0';
        return out;
    }
    // A list whose data starts with its type (given, or already at the front).
    static QByteArray list(const char *type, const QByteArray &data)
    {
        return chunk("LIST", type ? QByteArray(type, 4) + data : data);
    }
};

} // namespace flowtest

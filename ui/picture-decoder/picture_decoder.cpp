// SPDX-License-Identifier: MIT
// Decodes a picture with Qt's image reader, as the window would at start-up,
// and writes its pixels as C++ source: the window then builds its image from
// them instead of decoding the file at every start.
// Usage: picture_decoder PICTURE OUTPUT.cpp NAME
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QString>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 4) {
        std::fputs("usage: picture_decoder PICTURE OUTPUT.cpp NAME\n", stderr);
        return 2;
    }
    const QString input = QString::fromLocal8Bit(argv[1]);
    QImageReader reader(input);
    QImage image = reader.read();
    if (image.isNull()) {
        std::fprintf(stderr, "picture_decoder: %s: %s\n", argv[1], qPrintable(reader.errorString()));
        return 1;
    }
    // 32-bit words, which is what QPixmap makes of the reader's image on the
    // displays the window meets (a no-op for a JPEG, already 32-bit).
    const bool alpha = image.hasAlphaChannel();
    image = image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);

    // The words as numbers, not bytes, so that the compiler lays them out in
    // the target's own byte order.
    QByteArray source;
    source += "// Generated when the program was built, by picture_decoder from " +
              QFileInfo(input).fileName().toUtf8() + ": its pixels as Qt's\n// image reader decodes them.\n";
    source += "#include \"ui/decoded_picture.h\"\n\nnamespace {\n\nconst std::uint32_t pixels[] = {\n";
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            source += QByteArray(x % 8 == 0 ? "   " : "") + " 0x" +
                      QByteArray::number(line[x], 16).rightJustified(8, '0') +
                      (x % 8 == 7 || x + 1 == image.width() ? ",\n" : ",");
    }
    source += "};\n\n} // namespace\n\nconst cepui::DecodedPicture cepui::" + QByteArray(argv[3]) + "{" +
              QByteArray::number(image.width()) + ", " + QByteArray::number(image.height()) + ", " +
              (alpha ? "true" : "false") + ", pixels};\n";

    QFile output(QString::fromLocal8Bit(argv[2]));
    if (!output.open(QIODevice::WriteOnly) || output.write(source) != source.size() || !output.flush()) {
        std::fprintf(stderr, "picture_decoder: cannot write %s: %s\n", argv[2], qPrintable(output.errorString()));
        return 1;
    }
    return 0;
}

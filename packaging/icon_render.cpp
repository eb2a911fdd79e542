// Paints the program's icon (a blue help book with a question mark on its
// cover) at each size asked for and writes it as wrenlow-SIZE.png into the
// folder given: icon_render FOLDER SIZE... The drawing is made of shapes
// alone, so no font and no display is needed.
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <cstdio>
#include <cstdlib>

namespace {

// Draws on a 256 x 256 design grid that the painter scales.
void paintIcon(QPainter& p) {
  p.setRenderHint(QPainter::Antialiasing);
  const QColor outline(0x10, 0x2A, 0x6B);
  // Back cover, seen below the pages.
  p.setPen(QPen(outline, 6));
  p.setBrush(QColor(0x16, 0x3A, 0x8F));
  p.drawRoundedRect(QRectF(44, 30, 174, 206), 14, 14);
  // The block of pages, with two page edges drawn in.
  p.setPen(QPen(QColor(0x80, 0x80, 0x80), 4));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(70, 190, 140, 34));
  p.drawLine(QPointF(72, 203), QPointF(208, 203));
  p.drawLine(QPointF(72, 214), QPointF(208, 214));
  // Front cover with a lighter face.
  QLinearGradient face(QPointF(44, 20), QPointF(218, 196));
  face.setColorAt(0, QColor(0x3A, 0x72, 0xE0));
  face.setColorAt(1, QColor(0x1E, 0x48, 0xB0));
  p.setPen(QPen(outline, 6));
  p.setBrush(face);
  p.drawRoundedRect(QRectF(44, 18, 174, 182), 14, 14);
  // The spine.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x14, 0x34, 0x84));
  p.drawRect(QRectF(47, 21, 26, 176));
  p.setPen(QPen(QColor(0x7F, 0xA6, 0xF0), 4));
  p.drawLine(QPointF(75, 24), QPointF(75, 194));
  // The question mark: a hook and a dot.
  QPainterPath hook;
  hook.arcMoveTo(QRectF(108, 52, 76, 76), 180);
  hook.arcTo(QRectF(108, 52, 76, 76), 180, -250);
  hook.quadTo(QPointF(146, 126), QPointF(146, 146));
  p.setPen(QPen(Qt::white, 22, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(hook);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(146, 176), 13, 13);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: icon_render FOLDER SIZE...\n");
    return 2;
  }
  for (int i = 2; i < argc; ++i) {
    const int size = std::atoi(argv[i]);
    if (size < 8 || size > 1024) {
      std::fprintf(stderr, "icon_render: bad size '%s'\n", argv[i]);
      return 2;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.scale(size / 256.0, size / 256.0);
    paintIcon(painter);
    painter.end();
    const QString path =
        QString("%1/wrenlow-%2.png").arg(QString::fromLocal8Bit(argv[1])).arg(size);
    if (!image.save(path, "PNG")) {
      std::fprintf(stderr, "icon_render: cannot write %s\n", qPrintable(path));
      return 1;
    }
  }
  return 0;
}

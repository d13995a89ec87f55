#include "gui/command_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>

namespace quiremark::gui {

namespace {

const QColor kInk(60, 60, 70);
const QColor kPdfRed(200, 30, 30);
const QColor kFolder(236, 190, 80);
const QColor kGreen(40, 150, 60);
const QColor kBlue(40, 90, 190);

// A sheet of paper with a folded corner.
void Sheet(QPainter& p, QRectF r, const QColor& fill = Qt::white) {
  QPainterPath path;
  const qreal fold = r.width() * 0.35;
  path.moveTo(r.left(), r.top());
  path.lineTo(r.right() - fold, r.top());
  path.lineTo(r.right(), r.top() + fold);
  path.lineTo(r.right(), r.bottom());
  path.lineTo(r.left(), r.bottom());
  path.closeSubpath();
  p.setPen(QPen(kInk, 1));
  p.setBrush(fill);
  p.drawPath(path);
  p.drawLine(QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold));
  p.drawLine(QPointF(r.right() - fold, r.top() + fold), QPointF(r.right(), r.top() + fold));
}

void Folder(QPainter& p, QRectF r) {
  p.setPen(QPen(kFolder.darker(160), 1));
  p.setBrush(kFolder);
  QPainterPath path;
  path.moveTo(r.left(), r.top() + 2);
  path.lineTo(r.left() + r.width() * 0.4, r.top() + 2);
  path.lineTo(r.left() + r.width() * 0.5, r.top() + 4);
  path.lineTo(r.right(), r.top() + 4);
  path.lineTo(r.right(), r.bottom());
  path.lineTo(r.left(), r.bottom());
  path.closeSubpath();
  p.drawPath(path);
}

// A small letter tag in a coloured box, bottom right.
void Tag(QPainter& p, const QString& text, const QColor& colour, QRectF r = {6.5, 8.5, 9, 7}) {
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  p.drawRoundedRect(r, 1.5, 1.5);
  QFont font = p.font();
  font.setPixelSize(7);
  font.setBold(true);
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(r, Qt::AlignCenter, text);
}

void Cross(QPainter& p, QRectF r) {
  p.setPen(QPen(kPdfRed, 2.2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(r.topLeft(), r.bottomRight());
  p.drawLine(r.topRight(), r.bottomLeft());
}

void Magnifier(QPainter& p, QPointF centre, qreal radius) {
  p.setPen(QPen(kInk, 1.6));
  p.setBrush(QColor(200, 225, 255));
  p.drawEllipse(centre, radius, radius);
  p.setPen(QPen(kInk, 2.4, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(centre + QPointF(radius * 0.75, radius * 0.75), centre + QPointF(radius * 1.9, radius * 1.9));
}

// A round arrow almost closed, the "refresh" sign.
void Refresh(QPainter& p, QPointF centre, qreal radius) {
  p.setPen(QPen(kGreen, 2, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
  p.drawArc(box, 90 * 16, 280 * 16);
  p.setPen(Qt::NoPen);
  p.setBrush(kGreen);
  const QPointF tip = centre + QPointF(0, -radius);
  p.drawPolygon(QPolygonF{tip + QPointF(-1, -3), tip + QPointF(3, 0), tip + QPointF(-1, 3)});
}

// Lines of a list, `numbered` puts digits before them.
void Rows(QPainter& p, bool numbered, const QColor& mark = QColor()) {
  for (int i = 0; i < 4; ++i) {
    const qreal y = 2.5 + i * 3.6;
    if (mark.isValid() && (i == 1 || i == 2)) {
      p.fillRect(QRectF(0.5, y - 1.5, 15, 3.2), mark);
    }
    p.setPen(QPen(kInk, 1));
    p.drawLine(QPointF(6, y), QPointF(15, y));
    if (numbered) {
      QFont font = p.font();
      font.setPixelSize(5);
      font.setBold(true);
      p.setFont(font);
      p.setPen(kBlue);
      p.drawText(QRectF(0, y - 2.5, 5, 5), Qt::AlignCenter, QString::number(i + 1));
    }
  }
}

void Play(QPainter& p, QRectF r) {
  p.setPen(Qt::NoPen);
  p.setBrush(kGreen);
  p.drawPolygon(QPolygonF{r.topLeft(), QPointF(r.right(), r.center().y()), r.bottomLeft()});
}

void Star(QPainter& p, QPointF c, qreal outer) {
  QPolygonF star;
  for (int i = 0; i < 10; ++i) {
    const qreal radius = i % 2 ? outer * 0.45 : outer;
    const qreal angle = -M_PI / 2 + i * M_PI / 5;
    star << c + QPointF(radius * std::cos(angle), radius * std::sin(angle));
  }
  p.setPen(QPen(QColor(180, 130, 0), 1));
  p.setBrush(QColor(255, 210, 40));
  p.drawPolygon(star);
}

void ArrowRight(QPainter& p, QPointF from, qreal length, const QColor& colour) {
  p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(from, from + QPointF(length - 2, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  const QPointF tip = from + QPointF(length, 0);
  p.drawPolygon(QPolygonF{tip, tip + QPointF(-4, -3.5), tip + QPointF(-4, 3.5)});
}

// False for an ID without a picture.
bool Draw(QPainter& p, int id) {
  switch (id) {
    case 101: Sheet(p, {2.5, 0.5, 11, 15}); Tag(p, "PDF", kPdfRed, {0.5, 8.5, 15, 7}); break;
    case 103: Sheet(p, {2.5, 0.5, 11, 15}); Tag(p, "S", kPdfRed); Tag(p, "P", kPdfRed.darker(130), {0.5, 2.5, 6, 6}); break;
    case 105: Sheet(p, {2.5, 0.5, 11, 15}); Tag(p, "R", kPdfRed); Tag(p, "P", kPdfRed.darker(130), {0.5, 2.5, 6, 6}); break;
    case 102:
      p.setPen(QPen(kInk, 1)); p.setBrush(QColor(150, 100, 60)); p.drawRect(QRectF(3.5, 0.5, 8, 15));
      ArrowRight(p, {6, 8}, 9.5, kPdfRed); break;
    case 301: Rows(p, true); break;
    case 302: Rows(p, true, QColor(170, 200, 255)); break;
    case 303: Rows(p, false); Cross(p, {1.5, 4.5, 7, 7}); break;
    case 304: Sheet(p, {0.5, 0.5, 10, 13}); Tag(p, "PDF", kPdfRed, {0.5, 2, 10, 5}); Magnifier(p, {9.5, 9.5}, 3.2); break;
    case 305: case 956:
      Sheet(p, {2.5, 0.5, 11, 15}); Cross(p, {5, 6, 7, 7}); break;
    case 306: Folder(p, {0.5, 0.5, 10, 8}); Folder(p, {3.5, 5.5, 10, 8}); Magnifier(p, {10, 9}, 3); break;
    case 308: {
      p.setPen(QPen(kInk, 1)); p.setBrush(QColor(230, 230, 235));
      p.drawRect(QRectF(0.5, 1.5, 15, 13));
      for (int i = 0; i < 3; ++i) {
        p.setBrush(i == 1 ? Qt::white : kBlue);
        p.drawRect(QRectF(2.5, 3.5 + i * 3.5, 2.5, 2.5));
        p.drawLine(QPointF(6.5, 4.5 + i * 3.5), QPointF(13.5, 4.5 + i * 3.5));
      }
      break;
    }
    case 309: Folder(p, {0.5, 2.5, 12, 10}); Refresh(p, {11, 10.5}, 4); break;
    case 310: Sheet(p, {0.5, 0.5, 10, 14}); Refresh(p, {11, 10.5}, 4); break;
    case 313: Folder(p, {0.5, 2.5, 15, 11}); ArrowRight(p, {4, 9}, 9, kBlue); break;
    case 314:
      p.setPen(QPen(kInk, 1)); p.setBrush(kBlue.lighter(150));
      p.drawPolygon(QPolygonF{{0.5, 1.5}, {15.5, 1.5}, {9.5, 8.5}, {9.5, 14.5}, {6.5, 12.5}, {6.5, 8.5}});
      break;
    case 601:
      p.setPen(QPen(kBlue.darker(130), 1)); p.setBrush(kBlue); p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
      Tag(p, "i", kBlue, {3, 2, 10, 12}); break;
    case 905:
      p.setPen(QPen(kInk, 1)); p.setBrush(Qt::white);
      p.drawRect(QRectF(1.5, 1.5, 8, 8)); p.drawLine(QPointF(3.5, 5.5), QPointF(7.5, 5.5));
      p.drawLine(QPointF(5.5, 9.5), QPointF(5.5, 13.5)); p.drawLine(QPointF(5.5, 13.5), QPointF(14.5, 13.5));
      break;
    case 906: case 907: Cross(p, {3, 3, 10, 10}); break;
    case 908: Folder(p, {0.5, 1.5, 13, 10}); Star(p, {10.5, 10.5}, 5.2); break;
    case 909: Folder(p, {3.5, 2.5, 12, 11}); ArrowRight(p, {0.5, 9}, 10, kGreen); break;
    case 922: Tag(p, "A", kPdfRed, {0.5, 0.5, 10, 10}); Play(p, {8.5, 7.5, 7, 8}); break;
    case 932: Tag(p, "I", kBlue, {0.5, 0.5, 10, 10}); Play(p, {8.5, 7.5, 7, 8}); break;
    default: return false;
  }
  return true;
}

}  // namespace

QIcon CommandIcon(int commandId) {
  QIcon icon;
  for (int scale : {1, 2}) {
    QPixmap pixmap(16 * scale, 16 * scale);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    if (!Draw(p, commandId)) return {};
    p.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace quiremark::gui

#include "gui/pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cctype>
#include <cmath>
#include <functional>
#include <map>

namespace quiremark::gui {

namespace {

using Painter = std::function<void(QPainter&)>;

const QColor kInk(70, 70, 80);

void FolderShape(QPainter& p, const QColor& colour) {
  QPainterPath path;
  path.moveTo(1, 3.5);
  path.lineTo(6, 3.5);
  path.lineTo(7.5, 5);
  path.lineTo(15, 5);
  path.lineTo(15, 13.5);
  path.lineTo(1, 13.5);
  path.closeSubpath();
  p.setPen(QPen(colour.darker(170), 1));
  p.setBrush(colour);
  p.drawPath(path);
  p.setPen(QPen(colour.lighter(130), 1));
  p.drawLine(QPointF(2, 6.5), QPointF(14, 6.5));
}

void DriveShape(QPainter& p, const QColor& body, const QColor& light) {
  p.setPen(QPen(kInk, 1));
  p.setBrush(body);
  p.drawRoundedRect(QRectF(0.5, 5.5, 15, 7), 1.5, 1.5);
  p.setPen(Qt::NoPen);
  p.setBrush(light);
  p.drawEllipse(QRectF(11.5, 8, 2.5, 2.5));
}

const std::map<std::string, Painter>& Painters() {
  static const std::map<std::string, Painter> painters{
      {"computer",
       [](QPainter& p) {
         p.setPen(QPen(kInk, 1));
         p.setBrush(QColor(90, 150, 220));
         p.drawRect(QRectF(1.5, 1.5, 13, 9));
         p.setBrush(QColor(190, 190, 195));
         p.drawRect(QRectF(5.5, 11.5, 5, 1.5));
         p.drawRect(QRectF(2.5, 13.5, 11, 1.5));
       }},
      {"prev",
       [](QPainter& p) {  // a clock: folders bound earlier
         p.setPen(QPen(QColor(40, 90, 160), 1.2));
         p.setBrush(Qt::white);
         p.drawEllipse(QRectF(1, 1, 14, 14));
         p.setPen(QPen(kInk, 1.4, Qt::SolidLine, Qt::RoundCap));
         p.drawLine(QPointF(8, 8), QPointF(8, 3.5));
         p.drawLine(QPointF(8, 8), QPointF(11.5, 9.5));
       }},
      {"favo",
       [](QPainter& p) {
         QPolygonF star;
         for (int i = 0; i < 10; ++i) {
           const qreal r = i % 2 ? 3 : 7;
           const qreal a = -M_PI / 2 + i * M_PI / 5;
           star << QPointF(8 + r * std::cos(a), 8.5 + r * std::sin(a));
         }
         p.setPen(QPen(QColor(180, 130, 0), 1));
         p.setBrush(QColor(255, 210, 40));
         p.drawPolygon(star);
       }},
      {"folder", [](QPainter& p) { FolderShape(p, QColor(240, 200, 90)); }},
      {"drive", [](QPainter& p) { DriveShape(p, QColor(200, 200, 205), QColor(60, 200, 60)); }},
      {"floppydrive",
       [](QPainter& p) {
         p.setPen(QPen(kInk, 1));
         p.setBrush(QColor(60, 60, 70));
         p.drawRect(QRectF(2.5, 1.5, 11, 13));
         p.setBrush(QColor(200, 200, 205));
         p.drawRect(QRectF(5, 1.5, 6, 4));
         p.setBrush(Qt::white);
         p.drawRect(QRectF(4, 8.5, 8, 6));
       }},
      {"cd",
       [](QPainter& p) {
         p.setPen(QPen(kInk, 1));
         p.setBrush(QColor(215, 220, 235));
         p.drawEllipse(QRectF(1, 1, 14, 14));
         p.setBrush(Qt::white);
         p.drawEllipse(QRectF(6, 6, 4, 4));
       }},
      {"netdrive",
       [](QPainter& p) {
         DriveShape(p, QColor(200, 200, 205), QColor(60, 120, 220));
         p.setPen(QPen(kInk, 1));
         p.drawLine(QPointF(8, 12.5), QPointF(8, 15));
         p.drawLine(QPointF(3, 15), QPointF(13, 15));
       }},
      {"icon",
       [](QPainter& p) {  // the program: a sheet with a bookmark ribbon
         p.setPen(QPen(kInk, 1));
         p.setBrush(Qt::white);
         p.drawRect(QRectF(2.5, 0.5, 11, 15));
         p.setPen(Qt::NoPen);
         p.setBrush(QColor(200, 30, 30));
         p.drawPolygon(QPolygonF{{9, 0.5}, {12.5, 0.5}, {12.5, 7}, {10.75, 5.5}, {9, 7}});
         p.setPen(QPen(QColor(150, 150, 160), 1));
         for (qreal y : {4.5, 7.5, 10.5, 13.0}) p.drawLine(QPointF(4, y), QPointF(y < 8 ? 8 : 12, y));
       }},
  };
  return painters;
}

// "imgFolder", "picture: Folder", "folder" all name the folder picture.
std::string Key(const std::string& name) {
  std::string key;
  for (char c : name) key += char(std::tolower(static_cast<unsigned char>(c)));
  if (key.rfind("img", 0) == 0) key.erase(0, 3);
  if (key == "iconlarge") key = "icon";
  return key;
}

}  // namespace

QIcon PictureIcon(const std::string& name) {
  static std::map<std::string, QIcon> drawn;
  const std::string key = Key(name);
  if (const auto it = drawn.find(key); it != drawn.end()) return it->second;
  const auto painter = Painters().find(key);
  if (painter == Painters().end()) return {};
  QIcon icon;
  for (int size : {16, 32}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    painter->second(p);
    p.end();
    icon.addPixmap(pixmap);
  }
  return drawn[key] = icon;
}

}  // namespace quiremark::gui

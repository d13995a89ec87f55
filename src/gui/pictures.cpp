#include "gui/pictures.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <cctype>
#include <cmath>
#include <functional>
#include <map>
#include <optional>

namespace quiremark::gui {

namespace {

using Painter = std::function<void(QPainter&)>;

// Tree pictures from the desktop's icon theme (freedesktop names), else
// from the style's standard icons; history and favourites have no standard
// icon and are drawn below when the theme has none.
struct ThemedPicture {
  const char* themeName;
  std::optional<QStyle::StandardPixmap> standard;
};

const std::map<std::string, ThemedPicture>& ThemedPictures() {
  static const std::map<std::string, ThemedPicture> pictures{
      {"computer", {"computer", QStyle::SP_ComputerIcon}},
      {"folder", {"folder", QStyle::SP_DirIcon}},
      {"drive", {"drive-harddisk", QStyle::SP_DriveHDIcon}},
      {"floppydrive", {"media-floppy", QStyle::SP_DriveFDIcon}},
      {"cd", {"media-optical", QStyle::SP_DriveCDIcon}},
      {"netdrive", {"folder-remote", QStyle::SP_DriveNetIcon}},
      {"prev", {"document-open-recent", std::nullopt}},
      {"favo", {"user-bookmarks", std::nullopt}},
  };
  return pictures;
}

QIcon ThemedIcon(const std::string& key) {
  const auto it = ThemedPictures().find(key);
  if (it == ThemedPictures().end()) return {};
  if (QIcon icon = QIcon::fromTheme(QString::fromLatin1(it->second.themeName)); !icon.isNull()) return icon;
  if (it->second.standard && QApplication::style()) return QApplication::style()->standardIcon(*it->second.standard);
  return {};
}

const QColor kInk(70, 70, 80);

const std::map<std::string, Painter>& Painters() {
  static const std::map<std::string, Painter> painters{
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
  if (QIcon themed = ThemedIcon(key); !themed.isNull()) return drawn[key] = themed;
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

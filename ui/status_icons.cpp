#include "ui/status_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <array>

namespace kestrin::ui {

namespace {

constexpr std::array kIconSizes = {16, 22, 32, 48};

// Draws on a size x size canvas scaled to a 16-unit design grid, so strokes stay in
// proportion at every size.
QImage Canvas(int size, QColor fill, const auto& drawSymbol) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 16.0, size / 16.0);
  painter.setPen(QPen(fill.darker(150), 1.0));
  painter.setBrush(fill);
  painter.drawEllipse(QRectF(0.5, 0.5, 15.0, 15.0));
  QPen symbolPen(Qt::white, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  painter.setPen(symbolPen);
  painter.setBrush(Qt::white);
  drawSymbol(painter);
  return image;
}

void DrawTick(QPainter& painter) {
  painter.setBrush(Qt::NoBrush);
  painter.drawPolyline(QPolygonF({{4.2, 8.3}, {7.0, 11.0}, {11.8, 5.2}}));
}

void DrawExclamation(QPainter& painter) {
  painter.drawLine(QPointF(8.0, 3.8), QPointF(8.0, 8.8));
  painter.setPen(Qt::NoPen);
  painter.drawEllipse(QPointF(8.0, 12.0), 1.25, 1.25);
}

// Two half-circle arrows chasing each other round the centre.
void DrawTurningArrows(QPainter& painter) {
  const QRectF ring(4.0, 4.0, 8.0, 8.0);
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::FlatCap));
  painter.drawArc(ring, 30 * 16, 130 * 16);
  painter.drawArc(ring, 210 * 16, 130 * 16);
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::white);
  painter.drawPolygon(QPolygonF({{2.4, 7.2}, {5.6, 7.2}, {4.0, 9.6}}));
  painter.drawPolygon(QPolygonF({{10.4, 8.8}, {13.6, 8.8}, {12.0, 6.4}}));
}

QIcon IconFromSizes(const auto& draw) {
  QIcon icon;
  for (int size : kIconSizes) {
    icon.addPixmap(QPixmap::fromImage(draw(size)));
  }
  return icon;
}

}  // namespace

QImage DrawStatusImage(StatusImage image, int size) {
  switch (image) {
    case StatusImage::Ready:
      return Canvas(size, QColor(0x2e, 0x9d, 0x48), DrawTick);
    case StatusImage::Working:
      return Canvas(size, QColor(0xe8, 0x9a, 0x10), DrawTurningArrows);
    case StatusImage::Error:
      return Canvas(size, QColor(0xd0, 0x33, 0x2b), DrawExclamation);
  }
  return {};
}

QImage DrawApplicationImage(int size) {
  return Canvas(size, QColor(0x25, 0x6f, 0xc9), DrawTurningArrows);
}

QIcon StatusIcon(StatusImage image) {
  return IconFromSizes([image](int size) { return DrawStatusImage(image, size); });
}

QIcon ApplicationIcon() {
  return IconFromSizes(DrawApplicationImage);
}

}  // namespace kestrin::ui

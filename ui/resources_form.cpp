// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/resources_form.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <complex>
#include <map>
#include <random>

#include <QFont>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr double kPi = 3.14159265358979323846;

std::string UpperName(std::string_view name) {
  std::string s(name);
  for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// Escape count as a colour: deep blue through cyan to gold; points that
// never escaped are `inside`.
QRgb EscapeColour(int n, int maxIter, QRgb inside) {
  if (n >= maxIter) return inside;
  const double t = std::sqrt(double(n) / maxIter);
  const double r = 255 * std::clamp(2.2 * t - 1.0, 0.0, 1.0);
  const double g = 255 * std::clamp(1.6 * t - 0.1, 0.0, 1.0);
  const double b = 255 * std::clamp(0.35 + 1.4 * t - 1.2 * t * t, 0.0, 1.0);
  return qRgb(int(r), int(g), int(b));
}

using TStep = std::complex<double> (*)(std::complex<double> z, std::complex<double> c, double t);

// An escape-time picture of `step` over the square window centred at
// `centre` with half side `half`. `julia` takes c = seed for every pixel.
QImage EscapePicture(int size, std::complex<double> centre, double half, int maxIter, TStep step, double t,
                     bool julia, std::complex<double> seed) {
  QImage image(size, size, QImage::Format_RGB32);
  const double scale = 2 * half / (size - 1);
  for (int py = 0; py < size; ++py) {
    QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(py));
    for (int px = 0; px < size; ++px) {
      const std::complex<double> p(centre.real() - half + px * scale, centre.imag() + half - py * scale);
      std::complex<double> z = julia ? p : std::complex<double>(0, 0);
      const std::complex<double> c = julia ? seed : p;
      int n = 0;
      while (n < maxIter && std::norm(z) <= 16) {
        z = step(z, c, t);
        ++n;
      }
      line[px] = EscapeColour(n, maxIter, qRgb(0, 0, 0));
    }
  }
  return image;
}

std::complex<double> Quadratic(std::complex<double> z, std::complex<double> c, double) { return z * z + c; }

// The transformation movie's frames: the quadratic map with its square term
// turned by t.
std::complex<double> Turned(std::complex<double> z, std::complex<double> c, double t) {
  return std::polar(1.0, t) * z * z + c;
}

// The parametric movie's frames: z^2 + c + P, with P on a small circle.
std::complex<double> Shifted(std::complex<double> z, std::complex<double> c, double t) {
  return z * z + c + std::polar(0.35, t);
}

// The -2..2 plane behind the parameter markers: the Mandelbrot set in dim
// colours, a grid at the integers, the axes and their labels.
QImage PaintParam() {
  const int size = kParamBitmapSize;
  const double scale = 4.0 / (size - 1);
  QImage image(size, size, QImage::Format_RGB32);
  for (int py = 0; py < size; ++py) {
    QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(py));
    for (int px = 0; px < size; ++px) {
      const std::complex<double> c(-2 + px * scale, 2 - py * scale);
      std::complex<double> z = 0;
      int n = 0;
      const int maxIter = 40;
      while (n < maxIter && std::norm(z) <= 4) {
        z = z * z + c;
        ++n;
      }
      const QRgb full = EscapeColour(n, maxIter, qRgb(30, 34, 70));
      // Dim the outside so that markers stand out.
      line[px] = n >= maxIter ? full : qRgb(qRed(full) / 3, qGreen(full) / 3, qBlue(full) / 3 + 8);
    }
  }
  QPainter p(&image);
  p.setPen(QColor(70, 70, 90));
  for (int k = -2; k <= 2; ++k) {
    const int at = (k + 2) * 50;
    p.drawLine(at, 0, at, size - 1);
    p.drawLine(0, at, size - 1, at);
  }
  p.setPen(Qt::white);
  p.drawLine(0, 100, 200, 100);
  p.drawLine(100, 0, 100, 200);
  for (int k = -2; k <= 2; ++k) {
    const int at = (k + 2) * 50;
    p.drawLine(at, 97, at, 103);
    p.drawLine(97, at, 103, at);
  }
  QFont font("Sans Serif");
  font.setPixelSize(9);
  p.setFont(font);
  p.setPen(QColor(200, 200, 200));
  for (int k : {-1, 1}) {
    const int at = (k + 2) * 50;
    p.drawText(QRect(at - 10, 104, 20, 11), Qt::AlignCenter, QString::number(k));
    p.drawText(QRect(104, at - 6, 20, 11), Qt::AlignLeft | Qt::AlignVCenter, QString::number(-k) + "i");
  }
  p.drawText(QRect(2, 104, 20, 11), Qt::AlignLeft, "-2");
  p.drawText(QRect(size - 22, 104, 20, 11), Qt::AlignRight, "2");
  return image;
}

// Speed of a zoom flight between two spots: linear, quadratic or cubic
// easing, drawn as a curve over time.
QImage PaintCurve(int power) {
  const int w = kCurveBitmapWidth, h = kCurveBitmapHeight;
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(QColor(16, 16, 32));
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const int left = 6, bottom = h - 6, right = w - 6, top = 6;
  p.setPen(QColor(110, 110, 140));
  p.drawLine(left, bottom, right, bottom);
  p.drawLine(left, bottom, left, top);
  QPainterPath path;
  for (int i = 0; i <= 64; ++i) {
    const double t = i / 64.0;
    double v = t;
    if (power == 2) v = t < 0.5 ? 2 * t * t : 1 - 2 * (1 - t) * (1 - t);
    if (power == 3) v = t * t * (3 - 2 * t);
    const QPointF at(left + t * (right - left), bottom - v * (bottom - top));
    if (i == 0) path.moveTo(at); else path.lineTo(at);
  }
  p.setPen(QPen(QColor(120, 255, 120), 2));
  p.drawPath(path);
  p.setBrush(QColor(255, 220, 80));
  p.setPen(Qt::NoPen);
  p.drawEllipse(QPointF(left, bottom), 2.5, 2.5);
  p.drawEllipse(QPointF(right, top), 2.5, 2.5);
  return image;
}

// A three-map IFS (a Sierpinski-like gasket) whose maps turn with the phase.
QImage PaintIFS(int phase) {
  const int size = kFrameBitmapSize;
  QImage image(size, size, QImage::Format_RGB32);
  image.fill(Qt::black);
  const double turn = phase * kPi / 24;
  struct TMap {
    double a, b, c, d, e, f;
  } maps[3];
  const std::complex<double> corners[3] = {std::polar(1.0, kPi / 2), std::polar(1.0, kPi / 2 + 2 * kPi / 3),
                                           std::polar(1.0, kPi / 2 + 4 * kPi / 3)};
  for (int k = 0; k < 3; ++k) {
    const double r = 0.5, cs = std::cos(turn) * r, sn = std::sin(turn) * r;
    maps[k] = {cs, -sn, sn, cs, corners[k].real() * 0.5, corners[k].imag() * 0.5};
  }
  std::mt19937 random(1234u + unsigned(phase));
  std::uniform_int_distribution<int> pick(0, 2);
  double x = 0, y = 0;
  QRgb* bits = reinterpret_cast<QRgb*>(image.bits());
  const int stride = int(image.bytesPerLine() / 4);
  for (int n = 0; n < 6000; ++n) {
    const int k = pick(random);
    const TMap& m = maps[k];
    const double nx = m.a * x + m.b * y + m.e, ny = m.c * x + m.d * y + m.f;
    x = nx;
    y = ny;
    if (n < 20) continue;
    const int px = int(std::lround((x + 1.05) / 2.1 * (size - 1)));
    const int py = int(std::lround((1.05 - y) / 2.1 * (size - 1)));
    if (px < 0 || py < 0 || px >= size || py >= size) continue;
    static const QRgb colours[3] = {qRgb(255, 90, 90), qRgb(90, 255, 120), qRgb(110, 150, 255)};
    bits[py * stride + px] = colours[k];
  }
  return image;
}

int Index(const std::string& name, std::string_view prefix) {
  if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return -1;
  int v = 0;
  for (size_t i = prefix.size(); i < name.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(name[i]))) return -1;
    v = v * 10 + (name[i] - '0');
    if (v > 1000) return -1;
  }
  return v;
}

TResourceHook& Hook() {
  static TResourceHook hook;
  return hook;
}

}  // namespace

const std::vector<std::string>& ResourceNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> n = {"PARAM", "LINEAR", "SQUARE", "CUBE"};
    for (int k = 1; k <= 5; ++k) n.push_back("JULIE" + std::to_string(k));
    for (int k = 1; k <= 6; ++k) n.push_back("TRANS" + std::to_string(k));
    for (int k = 1; k <= 10; ++k) n.push_back((k < 10 ? "PARAM0" : "PARAM") + std::to_string(k));
    for (int k = 0; k <= 7; ++k) n.push_back("IFS" + std::to_string(k));
    return n;
  }();
  return names;
}

QImage PaintResourceBitmap(std::string_view name) {
  const std::string n = UpperName(name);
  if (n == "PARAM") return PaintParam();
  if (n == "LINEAR") return PaintCurve(1);
  if (n == "SQUARE") return PaintCurve(2);
  if (n == "CUBE") return PaintCurve(3);
  const int size = kFrameBitmapSize;
  if (int k = Index(n, "JULIE"); k >= 1 && k <= 5) {
    // Seeds along an arc near the main cardioid's edge, where the Julia sets
    // change the most.
    const std::complex<double> seed = std::polar(0.7885, kPi / 2 + (k - 1) * 0.35);
    return EscapePicture(size, {0, 0}, 1.6, 64, Quadratic, 0, true, seed);
  }
  if (int k = Index(n, "TRANS"); k >= 1 && k <= 6)
    return EscapePicture(size, {-0.4, 0}, 1.7, 48, Turned, (k - 1) * kPi / 10, false, {});
  // "PARAM01".."PARAM10" need their two digits.
  if (n.size() == 7) {
    if (int k = Index(n, "PARAM"); k >= 1 && k <= 10)
      return EscapePicture(size, {-0.5, 0}, 1.7, 48, Shifted, (k - 1) * 2 * kPi / 10, false, {});
  }
  if (int k = Index(n, "IFS"); k >= 0 && k <= 7 && n.size() == 4) return PaintIFS(k);
  return {};
}

QImage ResourceBitmap(std::string_view name) {
  if (Hook()) return Hook()(name);
  static std::map<std::string, QImage> cache;
  const std::string n = UpperName(name);
  if (auto found = cache.find(n); found != cache.end()) return found->second;
  QImage image = PaintResourceBitmap(n);
  if (!image.isNull()) cache.emplace(n, image);
  return image;
}

TResourceHook SetResourceHook(TResourceHook hook) {
  TResourceHook old = std::move(Hook());
  Hook() = std::move(hook);
  return old;
}

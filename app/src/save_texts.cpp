#include "save_texts.h"

namespace tessaly::app {

namespace {

QString replaceFirst(const QString& format, const QString& marker, const QString& value) {
  const qsizetype at = format.indexOf(marker);
  if (at < 0) return format;
  return QString(format).replace(at, marker.size(), value);
}

}  // namespace

QString withNumber(const QString& format, int value) {
  return replaceFirst(format, QStringLiteral("%d"), QString::number(value));
}

QString withText(const QString& format, const QString& value) {
  return replaceFirst(format, QStringLiteral("%s"), value);
}

QString firstFreeName(const QString& format, const std::function<bool(const QString&)>& taken) {
  // A format without "%d" names the same file every time: stop rather than loop for ever.
  const int last = format.contains(QStringLiteral("%d")) ? 1 << 20 : 1;
  for (int n = 1; n < last; ++n) {
    const QString name = withNumber(format, n);
    if (!taken(name)) return name;
  }
  return withNumber(format, last);
}

QString withSlash(const QString& folder) {
  return folder.endsWith('/') ? folder : folder + '/';
}

}  // namespace tessaly::app

#pragma once
// Pictures built into the screens library: the SVG documents that the
// screens show on their buttons (paging arrows and the like). Each document
// is loaded once and lives as long as the program.
#include <QString>

class QSvgRenderer;

namespace TScreensResources {
// Registers the library's resources (pictures under ":/screens/" and the
// home and calendar pictures under ":/media/"); safe to call again.
void Init();
// The SVG document ":/screens/<name>.svg"; null when there is none.
QSvgRenderer* Svg(const QString& name);
} // namespace TScreensResources

#pragma once

#include <QIcon>

namespace hanashi {

// The window's 32 x 32 icon, painted here: a pale star over a night-blue
// page with two story lines.
QIcon windowIcon32();

} // namespace hanashi

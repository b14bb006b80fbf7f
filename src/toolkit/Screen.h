// SPDX-License-Identifier: MIT
#pragma once

namespace hanashi {

// The primary screen's height in 1/1440 inch (15 to a pixel).
int screenHeightTwips();

} // namespace hanashi

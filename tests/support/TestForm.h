// SPDX-License-Identifier: MIT
#pragma once

#include "toolkit/Form.h"

namespace hanashi {

// A bare window to hold controls under test: 800 x 600 pixels, scale in
// 1/1440 inch until a test sets another.
class TestForm : public Form {
public:
    TestForm() {
        resize(800, 600);
        show();
    }

    int resizes = 0;
    int unloads = 0;

protected:
    void Form_Resize() override { ++resizes; }
    void Form_Unload(std::int16_t&) override { ++unloads; }
};

} // namespace hanashi

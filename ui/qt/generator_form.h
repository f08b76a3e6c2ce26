#pragma once

// The window's form: every control built, placed and styled once, in the manner of a generated
// Ui struct. It holds no behaviour; the controls that the behaviour reaches are found by
// `Control` through one array.

#include <QWidget>
#include <array>

#include "window/window_controls.h"

class QTimer;

namespace zelvo {

struct GeneratorForm {
    // Builds every control as a child of `window` (or of its group boxes) in its initial state,
    // named by its form name, and the timer 时钟1 (not started).
    void setupUi(QWidget* window);

    QWidget* operator[](Control control) const { return controls[indexOf(control)]; }

    std::array<QWidget*, controlCount> controls{};
    QTimer* statusTimer = nullptr;
};

}  // namespace zelvo

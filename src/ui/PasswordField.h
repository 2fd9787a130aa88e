#pragma once

class QLineEdit;

namespace hra::ui {

// Password boxes show every character as "*", at once, whatever the style's
// own mask character is.
void showPasswordAsStars(QLineEdit* box);

} // namespace hra::ui

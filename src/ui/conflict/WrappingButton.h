// A push button whose caption wraps onto several lines when the button is too narrow for it, as the
// conflict dialog's long captions need at their designed width. text() stays the exact caption.
#pragma once

#include <QPushButton>

namespace korvane {

class WrappingButton : public QPushButton {
    Q_OBJECT
  public:
    explicit WrappingButton(const QString& caption, QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace korvane

#pragma once
// Remembers where a form stood: its geometry and window state, kept in the current user's
// registry as the hexadecimal text of QWidget::saveGeometry under "<value prefix>.Geometry".
#include <string>

class QWidget;

namespace kvt::ui {

class TFormPlacement {
public:
    // key: the current-user registry key (created on first save); valuePrefix: usually the
    // form's class name.
    TFormPlacement(std::string key, std::string valuePrefix);

    // Puts the form where it was saved; a missing or unreadable value leaves it as it is.
    void restore(QWidget& form) const;
    void save(const QWidget& form) const;

private:
    std::string valueName() const;

    std::string key_;
    std::string valuePrefix_;
};

}  // namespace kvt::ui

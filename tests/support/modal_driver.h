// Drives a modal window while its exec() runs: the action gets the active modal widget
// once the event loop has shown it.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

namespace zorvel::test {

inline void WhenModal(std::function<void(QWidget*)> action, int triesLeft = 100) {
  QTimer::singleShot(0, [action = std::move(action), triesLeft]() mutable {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal) action(modal);
    else if (triesLeft > 0) WhenModal(std::move(action), triesLeft - 1);
  });
}

}  // namespace zorvel::test

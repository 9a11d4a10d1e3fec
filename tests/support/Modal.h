// Dealing with the modal dialogs and message boxes a command opens.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace testsupport {

// Runs action; every modal window that opens meanwhile is handed to handle,
// which must close it. Returns how many modal windows were seen.
int HandleModals(const std::function<void()>& action, const std::function<void(QWidget*)>& handle);

// Runs action, closing every message box; returns their texts joined by "\n---\n".
QString MessagesShownBy(const std::function<void()>& action);

} // namespace testsupport

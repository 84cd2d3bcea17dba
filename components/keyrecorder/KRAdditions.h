#pragma once
// Alerts of the shortcut recorder.
#include <memory>

class QMessageBox;
class QWidget;
struct KRValidatorError;

namespace KRAdditions {

// An alert for an error nobody can recover from: the message is the error's
// description, the one button is its first recovery option ("OK" when it has
// none), the informative text its recovery suggestion as plain text (empty without
// one). Critical icon; not shown yet.
std::unique_ptr<QMessageBox> alertWithNonRecoverableError(const KRValidatorError &error, QWidget *parent = nullptr);

} // namespace KRAdditions

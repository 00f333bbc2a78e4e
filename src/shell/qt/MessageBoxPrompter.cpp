#include "shell/qt/MessageBoxPrompter.h"

#include <QMessageBox>

#include "shell/EventLog.h"
#include "shell/qt/UiThread.h"

namespace t44::shell::qt {

void MessageBoxPrompter::tell(const std::string &text) {
    logEvent("prompt: " + text);
    sendToUi(this, [&text] {
        if (uiShuttingDown()) return;
        QMessageBox box(QMessageBox::NoIcon, QString(), QString::fromStdString(text), QMessageBox::Ok);
        box.exec();
    });
}

bool MessageBoxPrompter::ask(const std::string &text) {
    logEvent("question: " + text);
    bool yes = false;
    sendToUi(this, [&text, &yes] {
        if (uiShuttingDown()) return;
        QMessageBox box(QMessageBox::Question, QString(), QString::fromStdString(text),
                        QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        yes = box.exec() == QMessageBox::Yes;
    });
    logEvent(yes ? "answer: Yes" : "answer: No");
    return yes;
}

}  // namespace t44::shell::qt

#pragma once
// Messages to the user as plain message boxes, shown on the user-interface thread
// whichever thread asks; the asking thread waits for the answer. Every text is also
// written to the event log.

#include <QObject>

#include "shell/Prompt.h"

namespace t44::shell::qt {

class MessageBoxPrompter : public QObject, public Prompter {
    Q_OBJECT
public:
    void tell(const std::string &text) override;
    bool ask(const std::string &text) override;
};

}  // namespace t44::shell::qt

// The application's help handler. The viewer has no help file, so every help request (What's
// This mode, a What's This query or click) ends here without effect. Created, it takes the place
// of the handler before it; destroyed, it gives that place back (Qt's event filters stack).
#pragma once

#include <QObject>

namespace qel::platform {

class THelpHandler : public QObject {
public:
    explicit THelpHandler(QObject* parent);
    ~THelpHandler() override;

    THelpHandler(const THelpHandler&) = delete;
    THelpHandler& operator=(const THelpHandler&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace qel::platform

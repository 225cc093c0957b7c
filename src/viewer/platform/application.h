// The application object: start-up, message loop and end of the program, its title, and the
// application-level error handler that reports whatever a command let escape.
#pragma once

#include <QApplication>
#include <QString>
#include <QWidget>

#include <exception>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace qel::platform {

class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);
    ~TApplication() override;

    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    // The one running application object.
    [[nodiscard]] static TApplication& Instance();

    // The title that labels the error boxes, made from the executable's name.
    [[nodiscard]] const QString& Title() const noexcept { return title_; }
    // The executable's file name without its folder, cut before its first ".", every character
    // after the first in lower case: "/opt/SETTINGS.VIEW.EXE" gives "Settings".
    [[nodiscard]] static QString TitleFromExecutable(const QString& path);

    // Fixes the look of every window, whatever desktop the program runs on.
    void Initialize();

    // Creates the form, which the application owns from then on; the first form created becomes
    // the main form, shown by Run.
    template <typename Form> void CreateForm(Form*& reference) {
        auto form = std::make_unique<Form>();
        reference = form.get();
        Adopt(std::move(form));
    }
    [[nodiscard]] QWidget* MainForm() const noexcept { return mainForm_; }

    // Shows the main form and runs the message loop until Terminate or the main form closes.
    int Run();
    // Ends the message loop; Run then returns.
    static void Terminate();

    // Runs a command. An error that leaves it is reported by HandleException here, so that no
    // exception ever unwinds through Qt's frames (signal emission, event delivery). Commands
    // themselves catch nothing.
    template <typename Command> void Dispatch(Command&& command) noexcept {
        std::exception_ptr error;
        try {
            std::forward<Command>(command)();
        } catch (...) {
            error = std::current_exception();
        }
        if (error)
            HandleException(error);
    }

    // Reports an error that escaped a command: ends any mouse capture and shows the error box.
    void HandleException(const std::exception_ptr& error) noexcept;
    // The error box: the message completed with a full stop where it needs one, the title as its
    // caption, a stop icon and one OK button, modal for the whole application.
    void ShowException(const std::string& message);

    // The text a user sees for an error (before the full stop is added).
    [[nodiscard]] static std::string ErrorMessage(const std::exception_ptr& error);

private:
    void Adopt(std::unique_ptr<QWidget> form);

    QString title_;
    std::vector<std::unique_ptr<QWidget>> forms_;
    QWidget* mainForm_ = nullptr;
};

// Shorthand for the running application object.
[[nodiscard]] inline TApplication& Application() {
    return TApplication::Instance();
}

} // namespace qel::platform

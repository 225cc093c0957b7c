#include "application.h"

#include "errors.h"
#include "modal_scope.h"

#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QMessageBox>
#include <QStyleFactory>

#include <new>
#include <stdexcept>

namespace qel::platform {

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv), title_(TitleFromExecutable(applicationFilePath())) {}

// The forms go first, while the QApplication they need still exists.
TApplication::~TApplication() {
    forms_.clear();
}

TApplication& TApplication::Instance() {
    auto* application = dynamic_cast<TApplication*>(QCoreApplication::instance());
    if (application == nullptr)
        throw std::logic_error("no TApplication is running");
    return *application;
}

QString TApplication::TitleFromExecutable(const QString& path) {
    QString title = QFileInfo(path).fileName();
    const qsizetype dot = title.indexOf(u'.');
    if (dot >= 0)
        title.truncate(dot);
    if (title.size() > 1)
        title = title.first(1) + title.sliced(1).toLower();
    return title;
}

void TApplication::Initialize() {
    // Qt's own style, so that the window looks and measures the same on every desktop.
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        setStyle(fusion);
    // The program's main icon resource holds the application's icon in its sizes.
    QIcon icon;
    const QDir mainIcon(QStringLiteral(":/MAINICON"));
    for (const QString& file : mainIcon.entryList({QStringLiteral("*.png")}, QDir::Files))
        icon.addFile(mainIcon.filePath(file));
    if (!icon.isNull())
        setWindowIcon(icon);
}

void TApplication::Adopt(std::unique_ptr<QWidget> form) {
    forms_.reserve(forms_.size() + 1);
    if (mainForm_ == nullptr)
        mainForm_ = form.get();
    forms_.push_back(std::move(form));
}

int TApplication::Run() {
    if (mainForm_ != nullptr)
        mainForm_->show();
    return exec();
}

void TApplication::Terminate() {
    QCoreApplication::quit();
}

std::string TApplication::ErrorMessage(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const qel::Exception& e) {
        return e.Message();
    } catch (const std::bad_alloc&) {
        return EOutOfMemory().Message();
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown error";
    }
}

void TApplication::HandleException(const std::exception_ptr& error) noexcept {
    if (QWidget* grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
    ShowException(ErrorMessage(error));
}

void TApplication::ShowException(const std::string& message) {
    QWidget* owner = activeModalWidget();
    if (owner == nullptr)
        owner = activeWindow();
    if (owner == nullptr)
        owner = mainForm_;
    // Messages carry file names, which are in the file system's encoding.
    QMessageBox box(QMessageBox::Critical, title_, QString::fromLocal8Bit(CompleteMessage(message)),
                    QMessageBox::Ok, owner);
    box.setWindowModality(Qt::ApplicationModal);
    const ModalScope modal;
    box.exec();
}

} // namespace qel::platform

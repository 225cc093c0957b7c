#include "main.h"

#include "outline_builder.h"
#include "platform/application.h"
#include "platform/form_image.h"
#include "settings_line.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QStyle>

TFrmMain* FrmMain = nullptr;

using qel::platform::Application;

TFrmMain::TFrmMain(QWidget* parent)
    : QMainWindow(parent), OpenDialog(new qel::platform::TOpenDialog(this)),
      hlpMain(new qel::platform::THelpHandler(this)) {
    setupUi(this);
    OpenDialog->setObjectName(QStringLiteral("OpenDialog"));
    // The filter kept with the form; the Open command replaces it before every use.
    OpenDialog->SetFilter(
        "Settings (*.QEL)|*.QEL|Log (*.CSV)|*.CSV|All Files (*.*)|*.*|Calibration(*.CAL)|*.CAL");
    hlpMain->setObjectName(QStringLiteral("hlpMain"));

    resize(kClientWidth, kClientHeight + MainMenu->sizeHint().height());
    if (const QScreen* screen = this->screen())
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(),
                                        screen->availableGeometry()));
    tvSettings->setFocus();
}

void TFrmMain::BuildOutline(qel::TStringList& lines) {
    {
        const qel::platform::TTreeNodesModel::Change change(tvSettings->Items());
        qel::BuildOutline(lines, change.Items());
    }
    tvSettings->FullExpand();
    tvSettings->selectionModel()->clear();
}

std::string TFrmMain::TextAfterColon(std::string_view line) const {
    return std::string(qel::TextAfterColon(line));
}

// Each command runs through the application, which reports an error that escapes it; the
// commands themselves catch nothing, and what they create is freed when they end.

void TFrmMain::Open1Click() {
    Application().Dispatch([this] {
        OpenDialog->SetFilter("Settings (*.QEL)|*.QEL|All Files (*.*)|*.*");
        OpenDialog->setWindowTitle(QStringLiteral("Open Settings File"));
        if (!OpenDialog->Execute())
            return;
        qel::TStringList lines;
        lines.LoadFromFile(OpenDialog->FileName());
        BuildOutline(lines);
    });
}

void TFrmMain::Exit1Click() {
    Application().Dispatch([] { qel::platform::TApplication::Terminate(); });
}

void TFrmMain::CopytoClipboard1Click() {
    Application().Dispatch([this] {
        const QImage image = qel::platform::GetFormImage(*this);
        QGuiApplication::clipboard()->setImage(image);
    });
}

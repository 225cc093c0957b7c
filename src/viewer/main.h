// The main window: menu bar, a thin tool bar and the outline view, with the commands Open, Copy
// to Clipboard and Exit. The components come from the form resource main.ui and keep its names.
#pragma once

#include "platform/help_handler.h"
#include "platform/open_dialog.h"
#include "platform/tree_view.h"
#include "string_list.h"
#include "ui_main.h"

#include <QMainWindow>

#include <string>
#include <string_view>

class TFrmMain : public QMainWindow, public Ui::TFrmMain {
    Q_OBJECT

public:
    // The client area below the menu bar at start.
    static constexpr int kClientWidth = 639;
    static constexpr int kClientHeight = 418;

    explicit TFrmMain(QWidget* parent = nullptr);

    // What the form resource cannot hold; both are children of the window.
    qel::platform::TOpenDialog* OpenDialog;
    qel::platform::THelpHandler* hlpMain;

    // Replaces the outline of tvSettings with the outline of lines and removes from lines the lines
    // that became items; then expands the outline and leaves nothing selected. If the build fails,
    // the items built so far stay, neither expanded nor selected, and the error passes on.
    void BuildOutline(qel::TStringList& lines);
    // The caption of a settings line.
    [[nodiscard]] std::string TextAfterColon(std::string_view line) const;

public slots:
    // Bound to the menu items by the form resource.
    void Open1Click();
    void Exit1Click();
    void CopytoClipboard1Click();
};

// The main window, set by the program entry.
extern TFrmMain* FrmMain;

// The main window: how it starts, its menus and tool bar, what it refuses (context menus, help),
// Copy to Clipboard, Exit, the outline view's model and the depth to which it expands.
#include "main.h"
#include "platform/form_image.h"
#include "viewer_test_support.h"

#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontInfo>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QToolBar>
#include <QToolTip>
#include <QWhatsThis>

#include <memory>

using qel::platform::TTreeView;
using qel::test::Dump;

namespace {

// A chain: "Item 1" is the root and each "Item n" after it, a key line without a colon whose
// level number is n, nests under the one before.
QByteArray Chain(int items) {
    QByteArray text;
    for (int n = 1; n <= items; ++n)
        text += "Item " + QByteArray::number(n) + '\n';
    return text;
}

// The item at level (0 for the root) of a chain.
QModelIndex ChainItem(const QAbstractItemModel& model, int level) {
    QModelIndex index = model.index(0, 0);
    for (int i = 0; i < level && index.isValid(); ++i)
        index = model.index(0, 0, index);
    return index;
}

int ChainLength(const QAbstractItemModel& model) {
    int length = 0;
    for (QModelIndex index = model.index(0, 0); index.isValid(); index = model.index(0, 0, index))
        ++length;
    return length;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startsCentredWithCaptionEmptyFocusedViewAndClientSize();
    void outlineViewSettings();
    void menuItems_data();
    void menuItems();
    void menusHoldTheirItemsInOrder();
    void popupMenuBelongsToNoControl();
    void toolBarIsAThinLineWithTwoSeparators();
    void noRightClickOpensAMenu_data();
    void noRightClickOpensAMenu();
    void helpRequestsHaveNoVisibleEffect();
    void copyToClipboardPutsTheClientAreaOnTheClipboard_data();
    void copyToClipboardPutsTheClientAreaOnTheClipboard();
    void exitEndsTheApplication_data();
    void exitEndsTheApplication();
    void regainedFocusShowsNoItemAsChosen();
    void toolTipShowsACaptionThatDoesNotFit_data();
    void toolTipShowsACaptionThatDoesNotFit();
    void buildOutlineShowsCaptionsByteForByte();
    void modelPassesTheItemModelTester();
    void textAfterColonIsTheCoresRule_data();
    void textAfterColonIsTheCoresRule();
    void deepChainExpandsDownToTheDisplayDepthOnly();
    void expandingPastTheDisplayDepthIsRefused_data();
    void expandingPastTheDisplayDepthIsRefused();
    void chainDeeperThanQtCanLayOutOpens();

private:
    void Build(const QByteArray& text) {
        qel::TStringList lines;
        lines.SetText(text.toStdString());
        window_->BuildOutline(lines);
    }
    [[nodiscard]] QWidget* NewTopLevelShown(const QWidgetList& before) const;

    std::unique_ptr<TFrmMain> window_;
};

void MainWindowTest::init() {
    window_ = qel::test::ShowMainWindow();
    QVERIFY(window_);
}

void MainWindowTest::cleanup() {
    window_.reset();
}

QWidget* MainWindowTest::NewTopLevelShown(const QWidgetList& before) const {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && !before.contains(widget))
            return widget;
    }
    return nullptr;
}

void MainWindowTest::startsCentredWithCaptionEmptyFocusedViewAndClientSize() {
    QCOMPARE(window_->windowTitle(), QStringLiteral("QEL Viewer"));
    QCOMPARE(window_->objectName(), QStringLiteral("FrmMain"));
    QCOMPARE(qel::platform::ClientRect(*window_).size(),
             QSize(TFrmMain::kClientWidth, TFrmMain::kClientHeight));
    QCOMPARE(QSize(TFrmMain::kClientWidth, TFrmMain::kClientHeight), QSize(639, 418));
    const QRect screen = window_->screen()->availableGeometry();
    QVERIFY(qAbs(window_->frameGeometry().center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(window_->frameGeometry().center().y() - screen.center().y()) <= 1);

    QCOMPARE(window_->tvSettings->model()->rowCount(), 0);
    QCOMPARE(QApplication::focusWidget(), window_->tvSettings);
    QVERIFY(!window_->windowIcon().isNull());
    QVERIFY(window_->findChild<QStatusBar*>() == nullptr);

    QCOMPARE(window_->OpenDialog->objectName(), QStringLiteral("OpenDialog"));
    QCOMPARE(window_->OpenDialog->parent(), window_.get());
    QVERIFY(!window_->OpenDialog->isVisible());
    QCOMPARE(window_->hlpMain->objectName(), QStringLiteral("hlpMain"));
    QCOMPARE(window_->hlpMain->parent(), window_.get());
    QCOMPARE(window_->font().family(), QStringLiteral("MS Sans Serif"));
}

void MainWindowTest::outlineViewSettings() {
    TTreeView* view = window_->tvSettings;
    QCOMPARE(view->objectName(), QStringLiteral("tvSettings"));
    QCOMPARE(window_->centralWidget(), view);
    QCOMPARE(view->indentation(), 19);
    QVERIFY(view->uniformRowHeights());
    QVERIFY(view->rootIsDecorated());
    QVERIFY(view->itemsExpandable());
    QVERIFY(view->isHeaderHidden());
    QCOMPARE(view->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(view->font().family(), QStringLiteral("Courier New"));
    // fontconfig puts a face of the same metrics in its place.
    QVERIFY(QFontInfo(view->font()).fixedPitch());
    Build("1:Root\n2:Child\n");
    QVERIFY(!(view->model()->flags(view->model()->index(0, 0)) & Qt::ItemIsEditable));
}

void MainWindowTest::menuItems_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QKeySequence>("shortcut");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<bool>("separator");
    QTest::newRow("File1") << "File1"
                           << "&File" << QKeySequence() << "" << false;
    QTest::newRow("Open1") << "Open1"
                           << "&Open" << QKeySequence(Qt::Key_F3) << "Load settings from file"
                           << false;
    QTest::newRow("N1") << "N1"
                        << "" << QKeySequence() << "" << true;
    QTest::newRow("Exit1") << "Exit1"
                           << "&Exit" << QKeySequence(Qt::ALT | Qt::Key_X) << "" << false;
    QTest::newRow("Edit1") << "Edit1"
                           << "&Edit" << QKeySequence() << "" << false;
    QTest::newRow("CopytoClipboard1") << "CopytoClipboard1"
                                      << "&Copy to Clipboard" << QKeySequence() << "" << false;
    QTest::newRow("Help1") << "Help1"
                           << "&Help" << QKeySequence() << "" << false;
    QTest::newRow("muHelp") << "muHelp"
                            << "Help" << QKeySequence(Qt::Key_F1) << "" << false;
    QTest::newRow("Sp1") << "Sp1"
                         << "" << QKeySequence() << "" << true;
    QTest::newRow("About1") << "About1"
                            << "&About" << QKeySequence() << "" << false;
    QTest::newRow("tvMenupopupExpand") << "tvMenupopupExpand"
                                       << "Expand All" << QKeySequence() << "" << false;
    QTest::newRow("tvMenuPopupRefresh") << "tvMenuPopupRefresh"
                                        << "Refresh" << QKeySequence() << "" << false;
}

void MainWindowTest::menuItems() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QKeySequence, shortcut);
    QFETCH(QString, hint);
    QFETCH(bool, separator);
    const QAction* item = window_->findChild<QAction*>(name);
    if (item == nullptr) {
        // A menu of the menu bar is reached through its menu action.
        const auto* menu = window_->findChild<QMenu*>(name);
        QVERIFY2(menu != nullptr, qPrintable(name));
        item = menu->menuAction();
    }
    QCOMPARE(item->text(), text);
    QCOMPARE(item->shortcut(), shortcut);
    QCOMPARE(item->statusTip(), hint);
    QCOMPARE(item->isSeparator(), separator);
}

void MainWindowTest::menusHoldTheirItemsInOrder() {
    const auto names = [](const QList<QAction*>& actions) {
        QStringList list;
        for (const QAction* action : actions)
            list.push_back(action->menu() != nullptr ? action->menu()->objectName()
                                                     : action->objectName());
        return list;
    };
    QCOMPARE(window_->menuBar(), window_->MainMenu);
    QCOMPARE(names(window_->MainMenu->actions()), QStringList({"File1", "Edit1", "Help1"}));
    QCOMPARE(names(window_->File1->actions()), QStringList({"Open1", "N1", "Exit1"}));
    QCOMPARE(names(window_->Edit1->actions()), QStringList({"CopytoClipboard1"}));
    QCOMPARE(names(window_->Help1->actions()), QStringList({"muHelp", "Sp1", "About1"}));
    QCOMPARE(names(window_->PopuptvMenu->actions()),
             QStringList({"tvMenupopupExpand", "tvMenuPopupRefresh"}));
}

void MainWindowTest::popupMenuBelongsToNoControl() {
    QVERIFY(!window_->MainMenu->actions().contains(window_->PopuptvMenu->menuAction()));
    QVERIFY(!window_->PopuptvMenu->isVisible());
    for (const QWidget* widget : window_->findChildren<QWidget*>()) {
        if (widget->window() != window_.get())
            continue; // the open dialog is a window of its own
        QVERIFY(widget->contextMenuPolicy() != Qt::ActionsContextMenu);
        QVERIFY(widget->contextMenuPolicy() != Qt::CustomContextMenu);
    }
}

void MainWindowTest::toolBarIsAThinLineWithTwoSeparators() {
    const QToolBar* bar = window_->ToolBar;
    QCOMPARE(bar->objectName(), QStringLiteral("ToolBar"));
    QVERIFY(bar->isVisible());
    QVERIFY(bar->height() >= 1 && bar->height() <= 3);
    QCOMPARE(bar->width(), window_->width());
    QVERIFY(!bar->isMovable());
    QVERIFY(!bar->isFloatable());
    QCOMPARE(window_->toolBarArea(window_->ToolBar), Qt::TopToolBarArea);
    // Between the menu bar and the outline view.
    QCOMPARE(bar->geometry().top(), window_->MainMenu->geometry().bottom() + 1);
    QCOMPARE(window_->tvSettings->geometry().top(), bar->geometry().bottom() + 1);
    const QList<QAction*> actions = bar->actions();
    QCOMPARE(actions.size(), 2);
    QCOMPARE(actions[0], window_->ToolButton3);
    QCOMPARE(actions[1], window_->ToolButton8);
    QVERIFY(window_->ToolButton3->isSeparator() && window_->ToolButton8->isSeparator());
}

void MainWindowTest::noRightClickOpensAMenu_data() {
    QTest::addColumn<QString>("where");
    QTest::newRow("outline view") << "tvSettings";
    QTest::newRow("tool bar") << "ToolBar";
    QTest::newRow("menu bar") << "MainMenu";
    QTest::newRow("window") << "FrmMain";
}

void MainWindowTest::noRightClickOpensAMenu() {
    QFETCH(QString, where);
    Build("1:Root\n2:Child\n");
    QWidget* target =
        where == window_->objectName() ? window_.get() : window_->findChild<QWidget*>(where);
    QVERIFY(target != nullptr);
    if (auto* view = qobject_cast<QAbstractScrollArea*>(target))
        target = view->viewport();
    // A menu would run its own loop; close it from there, noting that it showed.
    bool menuShown = false;
    QTimer closer;
    closer.setInterval(10);
    connect(&closer, &QTimer::timeout, [&] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            menuShown = true;
            popup->close();
        }
    });
    closer.start();
    const QPoint at(target->width() / 2, target->height() / 2);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
    QApplication::sendEvent(target, &event);
    QTest::qWait(50);
    QVERIFY(!menuShown);
    QVERIFY(QApplication::activePopupWidget() == nullptr);
}

void MainWindowTest::helpRequestsHaveNoVisibleEffect() {
    const QWidgetList before = QApplication::topLevelWidgets();
    QSignalSpy helpItem(window_->muHelp, &QAction::triggered);
    QTest::keyClick(window_.get(), Qt::Key_F1);
    QCOMPARE(helpItem.count(), 1); // the key belongs to the item, which does nothing
    QTest::keyClick(window_->tvSettings, Qt::Key_F1, Qt::ShiftModifier);
    window_->muHelp->trigger();
    window_->About1->trigger();

    // A What's This request for a control that has a text would show it, were it not for hlpMain.
    window_->tvSettings->setWhatsThis(QStringLiteral("What's this?"));
    const QPoint at(5, 5);
    QHelpEvent request(QEvent::WhatsThis, at, window_->tvSettings->mapToGlobal(at));
    QApplication::sendEvent(window_->tvSettings, &request);
    QTest::qWait(50);
    QVERIFY(NewTopLevelShown(before) == nullptr);
    QVERIFY(QApplication::activePopupWidget() == nullptr);
    QVERIFY(QApplication::activeModalWidget() == nullptr);

    // Gone with its window, hlpMain gives the requests back: the same request now shows.
    QWidget plain;
    plain.setWhatsThis(QStringLiteral("What's this?"));
    window_.reset();
    QHelpEvent again(QEvent::WhatsThis, at, plain.mapToGlobal(at));
    QApplication::sendEvent(&plain, &again);
    const bool shownWithoutHandler =
        QApplication::activePopupWidget() != nullptr || NewTopLevelShown(before) != nullptr;
    QWhatsThis::hideText();
    QVERIFY(shownWithoutHandler);
}

void MainWindowTest::copyToClipboardPutsTheClientAreaOnTheClipboard_data() {
    QTest::addColumn<QSize>("resizeTo");
    QTest::addColumn<bool>("maximise");
    QTest::addColumn<bool>("withOutline");
    QTest::newRow("at start, empty") << QSize() << false << false;
    QTest::newRow("with an outline") << QSize() << false << true;
    QTest::newRow("resized") << QSize(800, 500) << false << true;
    QTest::newRow("maximised") << QSize() << true << false;
}

void MainWindowTest::copyToClipboardPutsTheClientAreaOnTheClipboard() {
    QFETCH(QSize, resizeTo);
    QFETCH(bool, maximise);
    QFETCH(bool, withOutline);
    if (withOutline)
        Build("1:Root\n2:Child\n3:Grandchild\n");
    if (resizeTo.isValid())
        window_->resize(resizeTo);
    if (maximise)
        window_->showMaximized();
    QTest::qWait(20);
    QApplication::processEvents();
    const QRect client = qel::platform::ClientRect(*window_);
    if (resizeTo.isValid())
        QCOMPARE(client.width(), resizeTo.width());
    if (!resizeTo.isValid() && !maximise)
        QCOMPARE(client.size(), QSize(639, 418));

    QGuiApplication::clipboard()->setText(QStringLiteral("held before"));
    window_->CopytoClipboard1->trigger();
    const QMimeData* held = QGuiApplication::clipboard()->mimeData();
    QVERIFY(held != nullptr);
    QVERIFY(held->hasImage());
    QVERIFY(!held->hasText());
    const QImage image = QGuiApplication::clipboard()->image();
    QCOMPARE(image.size(), client.size());

    // The outline view as it draws itself stands in the picture at its place.
    const QImage view = window_->tvSettings->grab().toImage().convertToFormat(image.format());
    const QPoint offset = window_->tvSettings->geometry().topLeft() - client.topLeft();
    QCOMPARE(image.copy(QRect(offset, view.size())), view);
}

void MainWindowTest::exitEndsTheApplication_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Alt+X") << "key";
    QTest::newRow("File, Exit") << "menu";
    QTest::newRow("window closed") << "close";
}

void MainWindowTest::exitEndsTheApplication() {
    QFETCH(QString, how);
    TFrmMain* window = window_.get();
    QTimer::singleShot(0, window, [window, how] {
        if (how == u"key")
            QTest::keyClick(window, Qt::Key_X, Qt::AltModifier);
        else if (how == u"menu")
            window->Exit1->trigger();
        else
            window->close();
    });
    // Should the loop not end, this ends it with a code that fails the test.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    watchdog.start(10000);
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!window->isVisible());
}

void MainWindowTest::regainedFocusShowsNoItemAsChosen() {
    Build("1:Root\n2:Child\n");
    TTreeView* view = window_->tvSettings;
    window_->MainMenu->setFocus(Qt::OtherFocusReason);
    view->setFocus(Qt::ActiveWindowFocusReason);
    QVERIFY(view->hasFocus());
    QVERIFY(!view->currentIndex().isValid());
    QVERIFY(!view->selectionModel()->hasSelection());
    // The keyboard still starts at the first item.
    QTest::keyClick(view, Qt::Key_Down);
    QCOMPARE(view->currentIndex(), view->model()->index(0, 0));
}

void MainWindowTest::toolTipShowsACaptionThatDoesNotFit_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("shown");
    QTest::newRow("short caption") << 0 << false;
    QTest::newRow("caption wider than the view") << 1 << true;
}

void MainWindowTest::toolTipShowsACaptionThatDoesNotFit() {
    QFETCH(int, row);
    QFETCH(bool, shown);
    const QString longCaption = QStringLiteral("Long ") + QString(300, u'x');
    Build("1:Root\n2:Short\n2:" + longCaption.toLatin1() + "\n");
    TTreeView* view = window_->tvSettings;
    const QModelIndex item = view->model()->index(row, 0, view->model()->index(0, 0));
    const QPoint at = view->visualRect(item).topLeft() + QPoint(5, 3);
    QToolTip::hideText();
    QHelpEvent request(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
    QApplication::sendEvent(view->viewport(), &request);
    QCOMPARE(QToolTip::isVisible(), shown);
    if (shown)
        QCOMPARE(QToolTip::text(), longCaption);
    QToolTip::hideText();
}

void MainWindowTest::buildOutlineShowsCaptionsByteForByte() {
    // Windows-1252 bytes, each one character: e-acute, the euro sign, a UTF-8 sequence as two.
    Build("1:caf\xE9\n2:\x80 5\n2:\xC3\xA9\n");
    QCOMPARE(Dump(*window_->tvSettings),
             QString::fromUtf8("caf\u00e9+\n  \u20ac 5\n  \u00c3\u00a9\n"));
}

void MainWindowTest::modelPassesTheItemModelTester() {
    QAbstractItemModelTester tester(window_->tvSettings->model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    Build("Comment: first\n1:Setup\n2:Scale\n3:Capacity\n3:Units\n2:Serial\n4:Baud\n3:Parity\n"
          "4:Stop bits\n2:Display\n");
    QVERIFY(!QTest::currentTestFailed());
    Build(Chain(50));
    QVERIFY(!QTest::currentTestFailed());
    Build("");
    QCOMPARE(window_->tvSettings->model()->rowCount(), 0);
    Build("1:Root\n2:a\n2:b\n3:c\n2:d\n");
    QVERIFY(!QTest::currentTestFailed());
}

void MainWindowTest::textAfterColonIsTheCoresRule_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("caption");
    QTest::newRow("level and caption") << QByteArray("2:Scale") << QByteArray("Scale");
    QTest::newRow("no colon") << QByteArray("Item 7") << QByteArray("Item 7");
    QTest::newRow("second colon kept") << QByteArray("12:a:b") << QByteArray("a:b");
    QTest::newRow("colon last") << QByteArray("3:") << QByteArray("");
    QTest::newRow("empty") << QByteArray("") << QByteArray("");
}

void MainWindowTest::textAfterColonIsTheCoresRule() {
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, caption);
    QCOMPARE(QByteArray::fromStdString(window_->TextAfterColon(line.toStdString())), caption);
}

void MainWindowTest::deepChainExpandsDownToTheDisplayDepthOnly() {
    constexpr int kDeepest = TTreeView::kMaxExpandedLevel;
    const int items = kDeepest + 100;
    Build(Chain(items));
    const QAbstractItemModel& model = *window_->tvSettings->model();
    // The outline itself is whole.
    QCOMPARE(ChainLength(model), items);
    QCOMPARE(ChainItem(model, items - 1).data().toString(), QStringLiteral("Item %1").arg(items));
    // Expanded down to the display depth, collapsed below.
    QVERIFY(window_->tvSettings->isExpanded(ChainItem(model, 0)));
    QVERIFY(window_->tvSettings->isExpanded(ChainItem(model, kDeepest - 1)));
    QVERIFY(!window_->tvSettings->isExpanded(ChainItem(model, kDeepest)));
    QVERIFY(!window_->tvSettings->selectionModel()->hasSelection());
    // The deepest shown item can be scrolled into view.
    const QModelIndex deepest = ChainItem(model, kDeepest);
    window_->tvSettings->scrollTo(deepest);
    QVERIFY(window_->tvSettings->viewport()->rect().intersects(
        window_->tvSettings->visualRect(deepest)));
}

void MainWindowTest::expandingPastTheDisplayDepthIsRefused_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("expand()") << "call";
    QTest::newRow("Right key") << "right";
    QTest::newRow("+ key") << "plus";
    QTest::newRow("* key on the root") << "asterisk";
    QTest::newRow("click on the button") << "click";
    QTest::newRow("double click") << "doubleclick";
}

void MainWindowTest::expandingPastTheDisplayDepthIsRefused() {
    QFETCH(QString, how);
    constexpr int kDeepest = TTreeView::kMaxExpandedLevel;
    Build(Chain(kDeepest + 10));
    TTreeView* view = window_->tvSettings;
    const QAbstractItemModel& model = *view->model();
    const QModelIndex limit = ChainItem(model, kDeepest);
    QVERIFY(!view->isExpanded(limit));

    if (how == u"call") {
        view->expand(limit);
    } else if (how == u"asterisk") {
        view->collapse(ChainItem(model, 0));
        view->setCurrentIndex(ChainItem(model, 0));
        QTest::keyClick(view, Qt::Key_Asterisk);
        // Everything above the limit is expanded again.
        QVERIFY(view->isExpanded(ChainItem(model, 0)));
        QVERIFY(view->isExpanded(ChainItem(model, kDeepest - 1)));
    } else if (how == u"right" || how == u"plus") {
        view->setCurrentIndex(limit);
        QTest::keyClick(view, how == u"right" ? Qt::Key_Right : Qt::Key_Plus);
    } else {
        view->scrollTo(limit);
        const QRect item = view->visualRect(limit);
        QVERIFY(view->viewport()->rect().contains(item.topLeft()));
        if (how == u"click") {
            const QPoint button(item.left() - view->indentation() / 2, item.center().y());
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, button);
        } else {
            QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, item.center());
        }
    }
    QApplication::processEvents();
    QVERIFY(!view->isExpanded(limit));
    // An item above the limit can still be collapsed and expanded by the user.
    const QModelIndex above = ChainItem(model, kDeepest - 1);
    view->collapse(above);
    QVERIFY(!view->isExpanded(above));
    view->expand(above);
    QVERIFY(view->isExpanded(above));
}

void MainWindowTest::chainDeeperThanQtCanLayOutOpens() {
    // About 26,000 expanded levels overflow the stack in QTreeView's layout.
    const int items = 30000;
    Build(Chain(items));
    QCOMPARE(ChainLength(*window_->tvSettings->model()), items);
    window_->tvSettings->verticalScrollBar()->setValue(
        window_->tvSettings->verticalScrollBar()->maximum());
    const QImage painted = window_->tvSettings->grab().toImage();
    QVERIFY(!painted.isNull());
}

QEL_VIEWER_TEST_MAIN(MainWindowTest)
#include "tst_main_window.moc"

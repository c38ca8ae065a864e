// Window "Конфигуратор ВЕЛТ".
#pragma once

#include "link/Connection.h"
#include "model/ProjectHistory.h"
#include "model/RingModel.h"
#include "programs/ProgramEditor.h"

#include <QMainWindow>

#include <functional>
#include <map>
#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QScrollArea;
class QToolBar;
class QToolButton;
class QPushButton;
class RecoveryCopy;

// The main window: owns the project model, hosts the program editor and opens every other
// window.
class TForm1 : public QMainWindow
{
    Q_OBJECT
public:
    // Windows opened from the menus; the first eight also have a button on the dialog toolbar.
    enum class Window {
        Settings,
        Directions,
        Safety,
        Templates,
        DayPlans,
        WeekPlans,
        YearPlan,
        Controller,
        About,
        Console,
        Check, // the whole-project check's report
        Help   // the user manual
    };

    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    [[nodiscard]] RingModel &model() { return m_model; }
    [[nodiscard]] ProjectHistory &history() { return m_history; }
    // The link to the controller: settings, transports and the command exchange.
    [[nodiscard]] Communic &communic() { return m_communic; }
    [[nodiscard]] QScrollArea *scrollBox() const { return m_scrollBox; }
    [[nodiscard]] QMenu *fileMenu() const { return m_fileMenu; }
    // The program toolbar's buttons and read-outs, for the program editor to drive.
    [[nodiscard]] const ProgramControls &programControls() const { return m_programControls; }
    [[nodiscard]] static QString versionText();
    [[nodiscard]] QString titleText() const;

    // Hooks a window to its menu item and toolbar button. `show` is the window's own show
    // operation (a dialog copies the working block before it appears); without it the window
    // is simply made visible and raised.
    void attachWindow(Window which, QWidget *window, std::function<void()> show = {});
    void showWindow(Window which);

    // The check run after a project is opened; true means the templates conflict.
    void setConsistencyCheck(std::function<bool(const ProjectBlock &)> check);
    // Asked first when the program is closed; false keeps it open for now (the guard closes
    // the window again once it is ready).
    void setCloseGuard(std::function<bool()> guard) { m_closeGuard = std::move(guard); }
    // Extra work of the program display refresh (cycle length, program view), added by the
    // program editor.
    void setProgramDisplayHook(std::function<void()> hook);

    void refreshProgramDisplay();
    void refreshTitle();

    // Opens a project file after the unsaved-edits question; a file that is not a project, or
    // cannot be read, is reported and changes nothing. False when nothing was opened.
    bool openProject(const QString &path);
    // The close question before the project is replaced: true when the edits were saved or
    // may be thrown away (always true for an unmodified project).
    [[nodiscard]] bool mayReplaceProject();
    // Keeps a crash-recovery copy of the unsaved project in `folder` (the user's data folder
    // when empty), and offers the copies that configurators no longer running left there.
    void enableRecovery(const QString &folder = {});
    void offerRecovery();
    // Puts back the window places and the diagram zoom of the last run (the program's start;
    // tests start from the defaults).
    void restoreSession();
    [[nodiscard]] RecoveryCopy *recovery() const { return m_recovery.get(); }

public slots:
    void N12Click();
    void N16Click();
    void N17Click();
    void Button6Click();
    void Button7Click();
    void ComboBox2Change(int index);
    void ComboBoxProgsChange(int index);

protected:
    void closeEvent(QCloseEvent *event) override; // FormCloseQuery
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void buildMenus();
    void buildToolBars();
    QAction *menuAction(QMenu *menu, const char *name, const QString &text);
    QToolButton *toolButton(QToolBar *bar, const char *name, const QString &text,
                            const QString &hint = {});
    QLabel *addReadOut(QToolBar *bar, const char *name, int width, const QString &hint = {});
    bool saveProject();
    void toolbarShow(Window which);
    bool loadProject(const QString &path);
    void fillRecentMenu();
    void projectFileChanged();
    void writeRecoveryCopy();
    void acceptClose(QCloseEvent *event);

    struct Attached
    {
        QWidget *window = nullptr;
        std::function<void()> show;
    };

    RingModel m_model;
    ProjectHistory m_history{m_model};
    Communic m_communic;
    std::map<Window, Attached> m_windows;
    std::map<Window, QAction *> m_menuItems;
    std::map<Window, QToolButton *> m_toolButtons;
    std::function<bool(const ProjectBlock &)> m_consistencyCheck;
    std::function<bool()> m_closeGuard;
    std::function<void()> m_programDisplayHook;

    std::unique_ptr<RecoveryCopy> m_recovery;
    bool m_keepsSession = false;
    QMenu *m_fileMenu = nullptr;
    QMenu *m_recentMenu = nullptr;
    QLabel *m_folder = nullptr; // the project's folder, in the status bar
    QScrollArea *m_scrollBox = nullptr;
    QComboBox *m_rings = nullptr;    // ComboBox2
    QComboBox *m_programs = nullptr; // ComboBoxProgs
    ProgramControls m_programControls;
};

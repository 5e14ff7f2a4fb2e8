#pragma once
// "KLV3 Plugin Manager": the plug-in libraries the program knows, each switched on or off with
// its check box, in the order the engine runs them. Every change reaches the engine and the
// stored list at once, so there is nothing to apply or cancel. [ui-thread]

#include "app/shell/startup_plugins.h"

#include <QDialog>

#include <filesystem>
#include <string>
#include <vector>

class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace klv::app {

class Desk;

class PluginManager final : public QDialog {
    Q_OBJECT
public:
    // Works on list, re-validated against the libraries in folder by every rebuild.
    PluginManager(Desk& desk, std::vector<PluginEntry>& list, std::filesystem::path folder,
                  QWidget* parent = nullptr);
    ~PluginManager() override;

    // Rebuild (also Refresh): LoadPlugins, then the list shows the rows again with the
    // remembered entry selected.
    void rebuild();

    QListWidget* pluginListView() const { return m_list; }
    QPushButton* refreshButton() const { return m_refresh; }
    QPushButton* settingsButton() const { return m_settings; }
    QPushButton* aboutButton() const { return m_about; }
    QPushButton* doneButton() const { return m_done; }
    QPushButton* helpButton() const { return m_help; }
    QPushButton* moveUpButton() const { return m_moveUp; }
    QPushButton* moveDownButton() const { return m_moveDown; }

public slots:
    void done(int result) override;

private:
    void showRows();
    void updateButtons();
    void rowChecked(QListWidgetItem* item);
    void moveRow(int direction);
    int selectedRow() const;

    Desk& m_desk;
    std::vector<PluginEntry>& m_rows;
    std::filesystem::path m_folder;
    std::string m_remembered; // Filename of the entry selected last
    bool m_filling = false;
    QListWidget* m_list;
    QPushButton* m_refresh;
    QPushButton* m_settings;
    QPushButton* m_about;
    QPushButton* m_done;
    QPushButton* m_help;
    QPushButton* m_moveUp;
    QPushButton* m_moveDown;
};

// Opens the plug-in manager modally over the desk's window on the program's plug-in list,
// after the password when LockPlugins asks for it. Closing it stores the options unchanged.
void showPluginManager(Desk& desk);

} // namespace klv::app

#pragma once
// The shut-down sequence, run whenever the main window is asked to close. One method per step,
// in the order run() calls them.

namespace klv::app {

class MainWindow;

class Shutdown {
public:
    explicit Shutdown(MainWindow& main);

    // false when the close was cancelled (the program keeps running unchanged).
    bool run();

    void setBusyPointer();
    bool confirmExit();
    void hideMainWindow();
    void saveRemainTime();
    void saveNavigator();
    void stopAudio();
    void cleanUpControls();
    void finish();

private:
    MainWindow& m_main;
};

} // namespace klv::app

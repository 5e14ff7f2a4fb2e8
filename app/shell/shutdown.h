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

    void setBusyPointer();  // 1
    bool confirmExit();     // 2
    void hideMainWindow();  // 3
    void saveRemainTime();  // 4
    void saveNavigator();   // 5
    void stopAudio();       // 8
    void cleanUpControls(); // 9
    void finish();          // 10

private:
    MainWindow& m_main;
};

} // namespace klv::app

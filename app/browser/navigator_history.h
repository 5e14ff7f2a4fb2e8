#pragma once
// The folders the navigator has shown, and where the mouse's back and forward buttons stand in
// that list. Going to a new folder appends it and moves to the end; stepping back or forward
// only moves, and stops at either end. [ui-thread]

#include <QString>
#include <QStringList>

namespace klv::app {

class NavigatorHistory {
public:
    void clear() {
        m_folders.clear();
        m_position = -1;
    }
    void resetTo(const QString& folder) {
        m_folders = {folder};
        m_position = 0;
    }
    void append(const QString& folder) {
        m_folders.append(folder);
        m_position = static_cast<int>(m_folders.size()) - 1;
    }
    // The folder one step in direction (-1 back, +1 forward), or empty at either end.
    QString step(int direction) {
        const int next = m_position + direction;
        if (next < 0 || next >= m_folders.size())
            return {};
        m_position = next;
        return m_folders.at(next);
    }

    const QStringList& folders() const { return m_folders; }
    int position() const { return m_position; }

private:
    QStringList m_folders;
    int m_position = -1;
};

} // namespace klv::app

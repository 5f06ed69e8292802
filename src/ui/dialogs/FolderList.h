#pragma once

#include <QListWidget>
#include <string>

namespace dustrel {

class FileSystem;

// A folder list: the folders from the drive's root down to the current folder, then the current
// folder's subfolders in name order. Opening an entry (double-click or Enter) makes it the current
// folder. Paths are kept as the system's bytes; the shown names are only their display.
class FolderList : public QListWidget
{
    Q_OBJECT
public:
    FolderList(FileSystem& fileSystem, char separator, QWidget* parent = nullptr);

    // The root of the drive, with its trailing separator; the list never climbs above it.
    void setRoot(std::string root);
    const std::string& root() const { return m_root; }

    // Makes `path` the current folder and lists it. A path outside the root opens the root instead.
    void setFolder(const std::string& path);
    const std::string& folder() const { return m_folder; }

    // The full path an entry stands for.
    std::string entryPath(const QListWidgetItem* item) const;

signals:
    // The current folder changed (Dir1_Change).
    void folderChanged();

private:
    void fill();
    void open(QListWidgetItem* item);

    FileSystem& m_fileSystem;
    char m_separator;
    std::string m_root;
    std::string m_folder;
};

} // namespace dustrel

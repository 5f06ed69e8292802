#include "ui/dialogs/FolderList.h"

#include "base/Text.h"
#include "platform/FileSystem.h"
#include "ui/common/QtText.h"

#include <QStyle>
#include <algorithm>

namespace dustrel {

namespace {

// Indents an entry by its depth below the root.
QString indented(int depth, const QString& name)
{
    return QString(depth * 2, QLatin1Char(' ')) + name;
}

} // namespace

FolderList::FolderList(FileSystem& fileSystem, char separator, QWidget* parent)
    : QListWidget(parent), m_fileSystem(fileSystem), m_separator(separator)
{
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemActivated, this, &FolderList::open);
}

void FolderList::setRoot(std::string root)
{
    m_root = std::move(root);
}

void FolderList::setFolder(const std::string& path)
{
    if (m_root.empty()) {
        // No drive: nothing to show.
        m_folder.clear();
        clear();
        emit folderChanged();
        return;
    }
    // Only the root itself or a folder below it: the list shows one drive.
    const bool belowRoot = path.size() > m_root.size() && path.compare(0, m_root.size(), m_root) == 0 &&
                           (m_root.back() == m_separator || path[m_root.size()] == m_separator);
    m_folder = (path == m_root || belowRoot) ? path : m_root;
    if (m_folder.size() > m_root.size())
        m_folder = withoutTrailingSeparator(m_folder, m_separator);
    fill();
    emit folderChanged();
}

std::string FolderList::entryPath(const QListWidgetItem* item) const
{
    return item != nullptr ? fromByteArray(item->data(kBytesRole).toByteArray()) : std::string();
}

void FolderList::fill()
{
    clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirIcon);
    auto addEntry = [&](const QIcon& icon, int depth, std::string_view name, const std::string& path) {
        auto* item = new QListWidgetItem(icon, indented(depth, toQString(name)), this);
        item->setData(kBytesRole, toByteArray(path));
        return item;
    };

    // The chain from the root down to the current folder.
    QListWidgetItem* current = addEntry(openIcon, 0, m_root, m_root);
    int depth = 0;
    std::string path = m_root;
    std::size_t start = m_root.size();
    while (start < m_folder.size()) {
        std::size_t end = m_folder.find(m_separator, start);
        if (end == std::string::npos)
            end = m_folder.size();
        const std::string_view name(m_folder.data() + start, end - start);
        if (!name.empty()) {
            path = joinPath(path, name, m_separator);
            current = addEntry(openIcon, ++depth, name, path);
        }
        start = end + 1;
    }

    // Its subfolders. Links are left out: the search never follows them either.
    std::vector<std::string> names;
    if (auto entries = m_fileSystem.listFolder(m_folder)) {
        for (FolderEntry& entry : *entries) {
            if (entry.type == EntryType::Folder)
                names.push_back(std::move(entry.name));
        }
    }
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return nameLess(a, b); });
    for (const std::string& name : names)
        addEntry(closedIcon, depth + 1, name, joinPath(m_folder, name, m_separator));

    setCurrentItem(current);
}

void FolderList::open(QListWidgetItem* item)
{
    const std::string path = entryPath(item);
    if (!path.empty())
        setFolder(path);
}

} // namespace dustrel

#include "ui/main/ListEntries.h"

#include "ui/common/QtText.h"

#include <QListWidget>

namespace dustrel {

QListWidgetItem* listEntry(QListWidget* list, std::string_view bytes)
{
    auto* item = new QListWidgetItem(toQString(bytes), list);
    item->setData(kBytesRole, toByteArray(bytes));
    // A long path is cut at the list's edge.
    item->setToolTip(item->text());
    return item;
}

std::vector<std::string> listEntries(const QListWidget* list)
{
    std::vector<std::string> entries;
    entries.reserve(static_cast<std::size_t>(list->count()));
    for (int i = 0; i < list->count(); ++i)
        entries.push_back(fromByteArray(list->item(i)->data(kBytesRole).toByteArray()));
    return entries;
}

} // namespace dustrel

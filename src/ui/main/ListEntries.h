#pragma once

#include <string>
#include <string_view>
#include <vector>

class QListWidget;
class QListWidgetItem;

namespace dustrel {

// The user lists show each entry as text and keep its bytes, which go back to the tables unchanged.
QListWidgetItem* listEntry(QListWidget* list, std::string_view bytes);
std::vector<std::string> listEntries(const QListWidget* list);

} // namespace dustrel

#pragma once

// The main window over a fresh world, as the window tests drive it.

#include "support/UiWorld.h"
#include "ui/common/ChoiceBox.h"
#include "ui/common/StatusLabel.h"
#include "ui/main/Menu.h"

#include <QDialog>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace dustrel::test {

inline const std::string kSummaryPrefix = "   Total wasted size : ";

inline std::string summary(const std::string& bytes, int files)
{
    return kSummaryPrefix + bytes + " byte(s) - " + std::to_string(files) + " file(s).";
}

// A click, then the second press that the system reports as a double-click.
inline void doubleClick(QWidget* target, QPoint at)
{
    QTest::mouseClick(target, Qt::LeftButton, {}, at);
    QTest::mouseDClick(target, Qt::LeftButton, {}, at);
}

template <typename Text> QStringList texts(int count, Text text)
{
    QStringList out;
    for (int i = 0; i < count; ++i)
        out << text(i);
    return out;
}

inline std::vector<std::string> listTexts(const QListWidget* list)
{
    std::vector<std::string> out;
    for (int i = 0; i < list->count(); ++i)
        out.push_back(list->item(i)->text().toStdString());
    return out;
}

// A window over a fresh world, with every escape hatch that would block or end the test replaced.
struct Window
{
    UiWorld world;
    std::unique_ptr<Menu> menu;
    bool ended = false;
    std::function<int(QDialog&)> onDialog;

    explicit Window(bool drives = true)
    {
        if (drives)
            world.findDrives();
        menu = std::make_unique<Menu>(world.state, world.fake.platform);
        menu->setEndProgram([this] { ended = true; });
        menu->setDialogRunner([this](QDialog& dialog) {
            if (!onDialog) {
                QTest::qFail("a dialog opened that the test did not expect", __FILE__, __LINE__);
                return int(QDialog::Rejected);
            }
            dialog.show();
            return onDialog(dialog);
        });
        menu->show();
    }

    ProgramState& state() { return world.state; }
    FakeMessageBoxes& boxes() { return world.fake.messageBoxes; }
    QPushButton* command(int number) { return menu->commandButton(number); }
    std::string status() { return std::string(menu->statusText()); }
    std::string shownStatus() { return menu->StatusBar1()->shownText().toStdString(); }
    int rows() { return menu->ListView1()->model()->rowCount(); }
    QString cell(int row, int column)
    {
        return menu->ListView1()->model()->index(row, column).data().toString();
    }

    // Ticks *.TMP Files and runs a search from the Search button.
    void searchTmp()
    {
        menu->Files(2)->click();
        command(1)->click();
    }

    void doubleClickRow(int row)
    {
        QTableView* view = menu->ListView1();
        view->scrollTo(view->model()->index(row, 0));
        doubleClick(view->viewport(), view->visualRect(view->model()->index(row, 0)).center());
    }
};

} // namespace dustrel::test

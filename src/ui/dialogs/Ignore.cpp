#include "ui/dialogs/Ignore.h"

#include "base/Text.h"
#include "platform/Platform.h"
#include "scan/FolderListing.h"
#include "scan/PatternMatcher.h"
#include "state/FileTypes.h"
#include "state/ProgramState.h"
#include "ui/common/ContextHelp.h"
#include "ui/common/Images.h"
#include "ui/common/QtText.h"
#include "ui/common/TwipsScale.h"
#include "ui/dialogs/DialogLayout.h"
#include "ui/dialogs/FolderList.h"

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QResizeEvent>
#include <QStyle>
#include <algorithm>

namespace dustrel {

using namespace DialogLayout;

Ignore::Ignore(ProgramState& state, Platform& platform, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_state(state), m_platform(platform)
{
    setObjectName(QStringLiteral("Ignore"));
    setWindowTitle(QStringLiteral("Add a file to ignore"));
    setModal(true);

    m_drive1 = new QComboBox(this);
    m_drive1->setObjectName(QStringLiteral("Drive1"));
    m_drive1->setAccessibleName(QStringLiteral("Drive"));
    m_dir1 = new FolderList(platform.fileSystem, platform.pathRules.separator, this);
    m_dir1->setObjectName(QStringLiteral("Dir1"));
    m_dir1->setAccessibleName(QStringLiteral("Folders"));
    m_file1 = new QListWidget(this);
    m_file1->setObjectName(QStringLiteral("File1"));
    m_file1->setAccessibleName(QStringLiteral("Files"));
    m_file1->setUniformItemSizes(true);
    m_command1 = new QPushButton(QStringLiteral("&OK"), this);
    m_command1->setObjectName(QStringLiteral("Command1"));
    m_command1->setDefault(true);
    m_command2 = new QPushButton(QStringLiteral("&Cancel"), this);
    m_command2->setObjectName(QStringLiteral("Command2"));

    setProperty(kHelpContextId, kIgnoreHelpTopic);
    for (QWidget* element :
         {static_cast<QWidget*>(m_drive1), static_cast<QWidget*>(m_dir1), static_cast<QWidget*>(m_file1),
          static_cast<QWidget*>(m_command1), static_cast<QWidget*>(m_command2)})
        element->setProperty(kHelpContextId, kIgnoreHelpTopic);
    setTabOrder(m_drive1, m_dir1);
    setTabOrder(m_dir1, m_file1);
    setTabOrder(m_file1, m_command1);
    setTabOrder(m_command1, m_command2);

    connect(m_drive1, &QComboBox::activated, this, [this] { Drive1_Change(); });
    connect(m_dir1, &FolderList::folderChanged, this, [this] { Dir1_Change(); });
    connect(m_file1, &QListWidget::itemActivated, this, [this] { Command1_Click(); });
    connect(m_command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(m_command2, &QPushButton::clicked, this, [this] { Command2_Click(); });

    layOut();
    Form_Load();
}

void Ignore::layOut()
{
    const TwipsScale scale = TwipsScale::forWidget(*this);
    const QSize designed(scale.px(kWidth), scale.px(kIgnoreHeight));
    setMinimumSize(designed);
    // Each column starts wide enough for a folder ten levels down and a long name, as the folder list shows
    // them indented.
    const QString deepEntry = QString(2 * 10, QLatin1Char(' ')) + QStringLiteral("a-long-folder-name");
    const int column = m_dir1->fontMetrics().horizontalAdvance(deepEntry) + m_dir1->iconSize().width() +
                       style()->pixelMetric(QStyle::PM_ScrollBarExtent) +
                       4 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    const int extra = std::max(0, column - scale.rect(kIgnoreDir1).width());
    resize(designed.width() + 2 * extra, designed.height());
    placeElements();
}

void Ignore::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    placeElements();
}

// The designed places, the room beyond the designed size shared by the two columns and given to the lists.
void Ignore::placeElements()
{
    const TwipsScale scale = TwipsScale::forWidget(*this);
    const int wider = std::max(0, width() - scale.px(kWidth));
    const int taller = std::max(0, height() - scale.px(kIgnoreHeight));
    const int half = wider / 2;
    QRect drive = scale.rect(kIgnoreDrive1);
    drive.setWidth(drive.width() + wider);
    m_drive1->setGeometry(drive);
    QRect dir = scale.rect(kIgnoreDir1);
    m_dir1->setGeometry(dir.adjusted(0, 0, half, taller));
    QRect file = scale.rect(kIgnoreFile1);
    m_file1->setGeometry(file.adjusted(half, 0, wider, taller));
    m_command1->setGeometry(scale.rect(kIgnoreCommand1).translated(0, taller));
    m_command2->setGeometry(scale.rect(kIgnoreCommand2).translated(half, taller));
}

void Ignore::fillDrives()
{
    m_drive1->clear();
    m_letters.clear();
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const std::string root = m_platform.drives.rootPath(letter);
        if (root.empty())
            continue;
        m_letters.push_back(letter);
        m_drive1->addItem(QStringLiteral("%1: [%2]").arg(QLatin1Char(letter)).arg(toQString(root)));
    }
}

void Ignore::Form_Load()
{
    setWindowIcon(Images::imageList1());
    BuildFilter(m_state);
    fillDrives();
    if (m_letters.empty()) {
        m_dir1->setRoot({});
        m_dir1->setFolder({});
        return;
    }

    // The drive that holds WIN_PATH: the one with the longest root the path starts with. Drive roots end
    // with their separator, so the folder is compared with one added.
    const char separator = m_platform.pathRules.separator;
    const std::string windows = withoutTrailingSeparator(m_state.WIN_PATH, separator) + separator;
    std::size_t chosen = m_letters.size();
    std::size_t longest = 0;
    for (std::size_t i = 0; i < m_letters.size(); ++i) {
        const std::string root = m_platform.drives.rootPath(m_letters[i]);
        if (root.size() > longest && windows.compare(0, root.size(), root) == 0) {
            chosen = i;
            longest = root.size();
        }
    }
    if (chosen == m_letters.size()) {
        const auto current = std::find(m_letters.begin(), m_letters.end(), m_platform.drives.currentDrive());
        chosen = current != m_letters.end() ? static_cast<std::size_t>(current - m_letters.begin()) : 0;
    }
    m_drive1->setCurrentIndex(static_cast<int>(chosen));
    m_dir1->setRoot(m_platform.drives.rootPath(m_letters[chosen]));
    m_dir1->setFolder(m_state.WIN_PATH);
}

void Ignore::Drive1_Change()
{
    const int index = m_drive1->currentIndex();
    if (index < 0 || static_cast<std::size_t>(index) >= m_letters.size())
        return;
    const std::string root = m_platform.drives.rootPath(m_letters[static_cast<std::size_t>(index)]);
    m_dir1->setRoot(root);
    m_dir1->setFolder(root);
}

void Ignore::Dir1_Change()
{
    const std::string& folder = m_dir1->folder();
    // Offered as the search would list them: the "NULL" that stands for nothing chosen matches nothing.
    m_filePattern = SearchPatterns(m_state);
    for (const std::string& special : m_state.DIRECTORIES) {
        if (!special.empty() && equalsIgnoreCase(folder, special))
            m_filePattern = "*.*";
    }

    m_file1->clear();
    if (folder.empty())
        return;
    const PatternMatcher patterns(m_filePattern);
    for (const std::string& name : ListMatchingFiles(m_platform.fileSystem, folder, patterns)) {
        auto* item = new QListWidgetItem(toQString(name), m_file1);
        item->setData(kBytesRole, toByteArray(name));
    }
}

void Ignore::Command1_Click()
{
    const QList<QListWidgetItem*> selected = m_file1->selectedItems();
    if (selected.isEmpty())
        return;
    const std::string name = fromByteArray(selected.front()->data(kBytesRole).toByteArray());
    // At a drive root the folder already ends with the separator.
    m_chosenPath = joinPath(m_dir1->folder(), name, m_platform.pathRules.separator);
    accept();
}

void Ignore::Command2_Click()
{
    reject();
}

} // namespace dustrel

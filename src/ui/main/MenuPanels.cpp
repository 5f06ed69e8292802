#include "platform/Platform.h"
#include "state/ProgramInfo.h"
#include "state/ProgramState.h"
#include "ui/common/ChoiceBox.h"
#include "ui/common/ContextHelp.h"
#include "ui/common/Images.h"
#include "ui/common/QtText.h"
#include "ui/common/StatusLabel.h"
#include "ui/main/Menu.h"
#include "ui/main/MenuLayout.h"
#include "ui/main/ResultsTableModel.h"

#include <QAction>
#include <QEvent>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <algorithm>
#include <optional>

namespace dustrel {

using namespace MenuLayout;

namespace {

// Room left between a widened element and the next one.
constexpr double kGapTwips = 60;

const char* const kTabCaptions[4] = {"Type of Files", "Directories", "Drives", "Advanced"};
const char* const kHeadings[5] = {
    "Select type of files you want to clean :", "Select directories you want to clean :",
    "Select hard-drives you want to scan :", "Select files to &ignore :", "Select &custom type of files :"};

QPushButton* makeButton(QWidget* parent, const char* name, const char* caption, const char* toolTip)
{
    auto* button = new QPushButton(QString::fromLatin1(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(QString::fromLatin1(toolTip));
    button->setAutoDefault(false);
    return button;
}

} // namespace

void Menu::createMenus()
{
    auto named = [](QAction* action, const char* name, int helpTopic) {
        action->setObjectName(QString::fromLatin1(name));
        if (helpTopic != 0)
            action->setProperty(kHelpContextId, helpTopic);
        return action;
    };

    m_mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    m_mnuFile->setObjectName(QStringLiteral("mnu_file"));
    m_fileExit = named(m_mnuFile->addAction(QStringLiteral("&Exit")), "File_Exit", 0);
    connect(m_fileExit, &QAction::triggered, this, [this] { File_Exit_Click(); });

    m_mnuOpt = menuBar()->addMenu(QStringLiteral("&Options"));
    m_mnuOpt->setObjectName(QStringLiteral("mnu_opt"));
    m_optLog =
        named(m_mnuOpt->addAction(QStringLiteral("&Log events to a file")), "Opt_log", kLogEventsHelpTopic);
    m_optLog->setCheckable(true);
    named(m_mnuOpt->addSeparator(), "Opt_sep0", 0);
    m_optSave = named(m_mnuOpt->addAction(QStringLiteral("&Save parameters on exit")), "Opt_save",
                      kSaveParamsHelpTopic);
    m_optSave->setCheckable(true);
    m_optTrash = named(m_mnuOpt->addAction(QStringLiteral("Move deleted files to the &Trash")), "Opt_trash",
                       kTrashHelpTopic);
    m_optTrash->setCheckable(true);
    m_optTrash->setToolTip(QStringLiteral("Deleted files go to the trash, from where they can be restored"));
    m_mnuOpt->setToolTipsVisible(true);
    connect(m_optLog, &QAction::triggered, this, [this] { opt_log_Click(); });
    connect(m_optSave, &QAction::triggered, this, [this] { opt_save_Click(); });
    connect(m_optTrash, &QAction::triggered, this, [this] { opt_trash_Click(); });

    m_mnuHelp = menuBar()->addMenu(QStringLiteral("&?"));
    m_mnuHelp->setObjectName(QStringLiteral("mnu_help"));
    m_helpIndex = named(m_mnuHelp->addAction(QStringLiteral("&Index...")), "Help_Index", 10);
    m_helpIndex->setShortcut(QKeySequence(Qt::Key_F1));
    m_helpAbout = named(m_mnuHelp->addAction(QStringLiteral("&About...")), "Help_About", 0);
    connect(m_helpIndex, &QAction::triggered, this, [this] { Help_index_Click(); });
    connect(m_helpAbout, &QAction::triggered, this, [this] { Help_About_Click(); });
}

void Menu::createElements()
{
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("MenuClient"));
    setCentralWidget(m_client);
    m_client->setMinimumSize(m_scale.px(kClientWidth), m_scale.px(kClientHeight - kStatusBarHeight));

    m_frame1 = new QFrame(m_client);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_frame1->setFrameShape(QFrame::HLine);
    m_frame1->setFrameShadow(QFrame::Sunken);

    m_image1 = new QLabel(m_client);
    m_image1->setObjectName(QStringLiteral("Image1"));
    m_image1->setAlignment(Qt::AlignCenter);
    m_image1->setPixmap(Images::banner(devicePixelRatioF()));
    m_image1->setAccessibleName(toQString(kProgramTitle));

    m_ssTab1 = new QTabWidget(m_client);
    m_ssTab1->setObjectName(QStringLiteral("SSTab1"));

    m_commands[0] = makeButton(m_client, "Command1", "&Search", "Click to start the search process");
    m_commands[1] = makeButton(m_client, "Command2", "S&top !", "Click to stop the search process");
    m_commands[2] = makeButton(m_client, "Command3", "&Delete", "Click to delete listed files");
    m_commands[0]->setDefault(true);
    m_commands[1]->setEnabled(false);
    m_commands[2]->setEnabled(false);
    connect(m_commands[0], &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(m_commands[1], &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(m_commands[2], &QPushButton::clicked, this, [this] { Command3_Click(); });

    createResultsView();

    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    m_statusBar1 = new StatusLabel(statusBar());
    m_statusBar1->setObjectName(QStringLiteral("Panel1"));
    statusBar()->setAccessibleName(QStringLiteral("Status"));
    statusBar()->addWidget(m_statusBar1, 1);
}

ChoiceBox* Menu::createBox(QWidget* panel, const char* name, std::size_t index)
{
    auto* box = new ChoiceBox(panel);
    box->setObjectName(QString::fromLatin1(name));
    box->setProperty("index", static_cast<int>(index));
    return box;
}

void Menu::createPanels()
{
    for (int i = 0; i < 4; ++i) {
        auto* panel = new QWidget();
        panel->setObjectName(QStringLiteral("TabPctr"));
        panel->setProperty("index", i);
        panel->installEventFilter(this);
        m_tabPctr[static_cast<std::size_t>(i)] = panel;
        m_ssTab1->addTab(panel, QString::fromLatin1(kTabCaptions[i]));
    }
    for (std::size_t i = 0; i < m_label1.size(); ++i) {
        m_label1[i] = new QLabel(QString::fromLatin1(kHeadings[i]), m_tabPctr[std::min<std::size_t>(i, 3)]);
        m_label1[i]->setObjectName(QStringLiteral("Label1"));
        m_label1[i]->setProperty("index", static_cast<int>(i));
    }

    for (std::size_t i = 0; i < kFileTypeCount; ++i) {
        m_files[i] = createBox(m_tabPctr[0], "Files", i);
        m_files[i]->setProperty(kHelpContextId, fileTypeHelpTopic(i));
        connect(m_files[i], &QCheckBox::clicked, this,
                [this, i] { m_state.choices.setFileState(i, m_files[i]->choiceState()); });
    }
    for (std::size_t i = 0; i < kSpecialFolderCount; ++i) {
        m_dirs[i] = createBox(m_tabPctr[1], "Dirs", i);
        m_dirs[i]->setProperty(kHelpContextId, specialFolderHelpTopic(i));
        connect(m_dirs[i], &QCheckBox::clicked, this,
                [this, i] { m_state.choices.setDirState(i, m_dirs[i]->choiceState()); });
    }
    // Only Drive(0) exists at first, hidden; the drives found at start-up caption and show it and its
    // copies.
    ChoiceBox* drive0 = createBox(m_tabPctr[2], "Drive", 0);
    drive0->setText(QStringLiteral("Drive(0)"));
    drive0->setProperty(kHelpContextId, kDriveHelpTopic);
    drive0->hide();
    connect(drive0, &QCheckBox::clicked, this,
            [this] { m_state.choices.setDriveState(0, m_drives[0]->choiceState()); });
    m_drives.push_back(drive0);

    createAdvancedPanel();

    connect(m_ssTab1, &QTabWidget::currentChanged, this, [this, previous = 0](int current) mutable {
        const int before = previous;
        previous = current;
        SSTab1_Click(before);
    });
    m_ssTab1->setCurrentIndex(0);
}

void Menu::createAdvancedPanel()
{
    QWidget* advanced = m_tabPctr[3];
    m_ignoreLst = new QListWidget(advanced);
    m_ignoreLst->setObjectName(QStringLiteral("IgnoreLst"));
    m_ignoreLst->setToolTip(QStringLiteral("List of files to ignore"));
    m_ignoreLst->setAccessibleName(m_ignoreLst->toolTip());
    m_commands[3] = makeButton(advanced, "Command4", "&Add", "Click to add a file to ignore");
    m_commands[4] = makeButton(advanced, "Command5", "&Remove", "Click to remove a file to ignore");
    m_line1 = new QFrame(advanced);
    m_line1->setObjectName(QStringLiteral("Line1"));
    m_line1->setFrameShape(QFrame::VLine);
    m_line1->setFrameShadow(QFrame::Sunken);
    m_customLst = new QListWidget(advanced);
    m_customLst->setObjectName(QStringLiteral("CustomLst"));
    m_customLst->setToolTip(QStringLiteral("List of custom type of files"));
    m_customLst->setAccessibleName(m_customLst->toolTip());
    m_ignoreLst->installEventFilter(this);
    m_customLst->installEventFilter(this);
    m_label1[3]->setBuddy(m_ignoreLst);
    m_label1[4]->setBuddy(m_customLst);
    // Alt+A, Alt+R and Alt+D are taken by the ignore list's buttons and Delete, and "Add" has no other
    // letter: the custom list's Add is reached through its heading's Alt+C and Tab.
    m_commands[5] = makeButton(advanced, "Command6", "Add", "Click to add a custom type of files");
    m_commands[6] = makeButton(advanced, "Command7", "Re&move", "Click to remove a custom type of files");
    for (QWidget* element : {static_cast<QWidget*>(m_ignoreLst), static_cast<QWidget*>(m_commands[3]),
                             static_cast<QWidget*>(m_commands[4])})
        element->setProperty(kHelpContextId, kIgnoreHelpTopic);
    for (QWidget* element : {static_cast<QWidget*>(m_customLst), static_cast<QWidget*>(m_commands[5]),
                             static_cast<QWidget*>(m_commands[6])})
        element->setProperty(kHelpContextId, kCustomTypeHelpTopic);

    connect(m_commands[3], &QPushButton::clicked, this, [this] { Command4_Click(); });
    connect(m_commands[4], &QPushButton::clicked, this, [this] { Command5_Click(); });
    connect(m_commands[5], &QPushButton::clicked, this, [this] { Command6_Click(); });
    connect(m_commands[6], &QPushButton::clicked, this, [this] { Command7_Click(); });
    connect(m_ignoreLst, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        m_ignoreLst->setCurrentItem(item);
        IgnoreLst_DblClick();
    });
    connect(m_customLst, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        m_customLst->setCurrentItem(item);
        CustomLst_DblClick();
    });
}

void Menu::createDriveBoxes()
{
    const std::size_t wanted = m_state.choices.drives().size();
    if (wanted <= m_drives.size())
        return;
    const ChoiceBox* model = m_drives.front();
    while (m_drives.size() < wanted) {
        const std::size_t k = m_drives.size();
        ChoiceBox* box = createBox(m_tabPctr[2], "Drive", k);
        box->setProperty(kHelpContextId, model->property(kHelpContextId));
        box->setFont(model->font());
        connect(box, &QCheckBox::clicked, this,
                [this, k] { m_state.choices.setDriveState(k, m_drives[k]->choiceState()); });
        m_drives.push_back(box);
    }
    setFocusOrder();
    layOutPanels();
}

void Menu::setFocusOrder()
{
    std::vector<QWidget*> chain{m_commands[0], m_commands[1], m_commands[2], m_listView1};
    chain.insert(chain.end(), m_files.begin(), m_files.end());
    chain.insert(chain.end(), m_dirs.begin(), m_dirs.end());
    chain.insert(chain.end(),
                 {m_ignoreLst, m_commands[3], m_commands[4], m_customLst, m_commands[5], m_commands[6]});
    chain.insert(chain.end(), m_drives.begin(), m_drives.end());
    chain.push_back(m_ssTab1);
    for (std::size_t i = 1; i < chain.size(); ++i)
        setTabOrder(chain[i - 1], chain[i]);
}

// ---- Layout -------------------------------------------------------------------------------------

void Menu::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void Menu::Form_Resize()
{
    // The client area holds everything between the menu bar and the status bar; the window's outer
    // size is worked out from it as the layout counts it, whatever the desktop's frames measure.
    const QSize client = m_client->size();
    double outerWidth = m_scale.twips(client.width()) + kBorderWidth;
    double outerHeight = m_scale.twips(client.height()) + kStatusBarHeight + kNonClientHeight;
    // A client at its minimum in pixels may read a fraction of a twip short of it.
    if (client.width() >= m_client->minimumWidth())
        outerWidth = std::max(outerWidth, kMinOuterWidth);
    if (client.height() >= m_client->minimumHeight())
        outerHeight = std::max(outerHeight, kMinOuterHeight);

    const FormLayout layout = FormResize(outerWidth, outerHeight, isMinimized());
    switch (layout.action) {
    case FormLayout::Action::None:
        return;
    case FormLayout::Action::SetHeight:
        resize(width(), height() + m_scale.px(layout.snapTo - outerHeight));
        return;
    case FormLayout::Action::SetWidth:
        resize(width() + m_scale.px(layout.snapTo - outerWidth), height());
        return;
    case FormLayout::Action::Arrange:
        break;
    }

    m_frame1->setGeometry(m_scale.rect(layout.frame1));
    // The banner keeps its own pixels unless a larger scale has made its frame well larger than it.
    const QRect image = m_scale.rect(layout.image1);
    const qreal ratio = devicePixelRatioF();
    QPixmap banner = Images::banner(ratio);
    if (image.width() >= Images::kBannerSize.width() * 5 / 4) {
        const QSize fitted = Images::kBannerSize.scaled(image.size(), Qt::KeepAspectRatio);
        banner =
            Images::banner(2.0 * ratio).scaled(fitted * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        banner.setDevicePixelRatio(ratio);
    }
    m_image1->setPixmap(banner);
    m_image1->setGeometry(image);
    m_ssTab1->setGeometry(m_scale.rect(layout.ssTab1));
    m_commands[0]->setGeometry(m_scale.rect(layout.command1));
    m_commands[1]->setGeometry(m_scale.rect(layout.command2));
    m_commands[2]->setGeometry(m_scale.rect(layout.command3));

    QRect list = m_scale.rect(layout.listView1);
    list.setBottom(std::min(list.bottom(), client.height() - 1));
    m_listView1->setGeometry(list);
    // A caption wider than its designed column (a large font or scale) widens it rather than running into
    // the next one.
    QHeaderView* header = m_listView1->horizontalHeader();
    for (int i = 0; i < 4; ++i)
        header->resizeSection(
            i, std::max(m_scale.px(layout.columns[static_cast<std::size_t>(i)]), header->sectionSizeHint(i)));
    m_listView1->horizontalHeader()->resizeSection(4, m_model->ruleColumnWidth(m_listView1->fontMetrics()));
}

bool Menu::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && listKeyPressed(watched, *static_cast<QKeyEvent*>(event)))
        return true;
    if (event->type() == QEvent::Resize) {
        for (int i = 0; i < 4; ++i) {
            if (watched == m_tabPctr[static_cast<std::size_t>(i)])
                TabPctr_Resize(i);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void Menu::TabPctr_Resize(int)
{
    layOutPanels();
}

void Menu::layOutPanels()
{
    // The panels share one width; the shown one has it, the others get it when they are shown.
    const QWidget* shown = m_ssTab1->currentWidget() != nullptr ? m_ssTab1->currentWidget() : m_tabPctr[0];
    const double panelWidth = m_scale.twips(shown->width());
    const PanelLayout layout =
        TabPctrResize(panelWidth, panelWidth, panelWidth, static_cast<int>(m_state.choices.drives().size()));

    // Captions wider than their designed box in the user's font take the room up to `limit` rather than
    // being cut.
    auto place = [this](QWidget* element, const TwipsRect& designed, double limit) {
        QRect rect = m_scale.rect(designed);
        const int wanted = element->sizeHint().width();
        if (wanted > rect.width())
            rect.setWidth(std::max(rect.width(), std::min(wanted, m_scale.px(limit) - rect.left())));
        element->setGeometry(rect);
    };
    auto placeGroup = [&](auto& boxes, double width, std::optional<double> rightLeft) {
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            TwipsRect rect = gridBox(i, width);
            const bool right = i >= kRowsPerColumn;
            if (right && rightLeft)
                rect.left = *rightLeft;
            // A box of the left column may take the room up to the right column when there is one.
            const bool twoColumns = boxes.size() > kRowsPerColumn;
            const double limit = (right || !twoColumns) ? panelWidth - kGapTwips
                                                        : rightLeft.value_or(kGridRightLeft) - kGapTwips;
            place(boxes[i], rect, limit);
        }
    };

    for (std::size_t i = 0; i < 4; ++i)
        place(m_label1[i], kLabel1, panelWidth - kGapTwips);
    placeGroup(m_files, kFilesWidth, layout.filesRightLeft);
    placeGroup(m_dirs, kDirsWidth, std::nullopt);
    placeGroup(m_drives, kDriveWidth, layout.drivesRightLeft);

    m_ignoreLst->setGeometry(m_scale.rect(layout.ignoreLst));
    m_commands[3]->setGeometry(m_scale.rect(layout.command4));
    m_commands[4]->setGeometry(m_scale.rect(layout.command5));
    const int lineX = m_scale.px(layout.line1X);
    m_line1->setGeometry(lineX - 1, m_scale.px(kLine1Top), 3, m_scale.px(kLine1Bottom - kLine1Top));
    place(m_label1[4], layout.label1Custom, panelWidth - kGapTwips);
    m_customLst->setGeometry(m_scale.rect(layout.customLst));
    m_commands[5]->setGeometry(m_scale.rect(layout.command6));
    m_commands[6]->setGeometry(m_scale.rect(layout.command7));
}

void Menu::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_scale = TwipsScale::forWidget(*this);
        m_client->setMinimumSize(m_scale.px(kClientWidth), m_scale.px(kClientHeight - kStatusBarHeight));
        Form_Resize();
        layOutPanels();
    }
}

} // namespace dustrel

// The components of the main window: names, captions, positions and sizes.
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <array>

#include "GbkText.h"
#include "TDBGridEh.h"
#include "TDialogs.h"
#include "TForm1.h"
#include "TInventoryModel.h"
#include "TOnlineListModel.h"

namespace vantrel::app {

namespace {

constexpr int kClientWidth = 1054;
constexpr int kClientHeight = 577;
constexpr int kMemoWidth = 226;
constexpr int kSplitterWidth = 3;
constexpr int kPanelHeight = 36;
constexpr int kGridRowHeight = 18;
constexpr int kOnlineListWidth = 457;
constexpr std::array<int, 4> kOnlineListColumnWidths{125, 105, 104, 88};

constexpr char kFontFace[] = "\xcb\xce\xcc\xe5";        // 宋体
constexpr char kCaption[] = "Vantrel\xc8\xed\xbc\xfe";  // Vantrel软件
constexpr char kTabSheet1[] =                           // 网内IP及电脑综合信息
    "\xcd\xf8\xc4\xda"
    "IP\xbc\xb0\xb5\xe7\xc4\xd4\xd7\xdb\xba\xcf\xd0\xc5\xcf\xa2";
constexpr char kTabSheet2[] =  // ping网内在线电脑列表
    "ping\xcd\xf8\xc4\xda\xd4\xda\xcf\xdf\xb5\xe7\xc4\xd4\xc1\xd0\xb1\xed";

// The search field list: label (ComboBox1) and field name (ComboBox2).
struct SearchField {
    const char* label;
    const char* field;
};
constexpr std::array<SearchField, 13> kSearchFields{{
    {"\xb2\xbf\xc3\xc5", "bm"},                // 部门
    {"\xca\xb9\xd3\xc3\xd5\xdf", "username"},  // 使用者
    {"pc\xc3\xfb", "pcname"},                  // pc名
    {"MAC\xc2\xeb", "mac"},                    // MAC码
    {"IP\xb5\xd8\xd6\xb7", "IP"},              // IP地址
    {"CPU", "CPU"},
    {"\xd6\xf7\xb0\xe5", "board"},  // 主板
    {"BIOS", "BIOS"},
    {"\xbb\xfa\xd0\xcd(\xcc\xa8\xca\xbd/\xb1\xca\xbc\xc7\xb1\xbe)", "pctype"},  // 机型(台式/笔记本)
    {"\xb2\xd9\xd7\xf7\xcf\xb5\xcd\xb3", "os"},                                 // 操作系统
    {"\xc4\xda\xb4\xe6", "rammax"},                                             // 内存
    {"\xb5\xc7\xbc\xc7\xca\xb1\xbc\xe4", "djsj"},                               // 登记时间
    {"\xb5\xe7\xbb\xb0", "dh"},                                                 // 电话
}};
constexpr int kSearchFieldAtStart = 1;  // 使用者

// 宋体 where the machine has it; else faces with its metrics (Latin letters
// half as wide as a Chinese character), so the fixed column widths still
// hold a whole address or MAC. A proportional fallback such as DejaVu Sans
// is wider and cuts them.
QFont FaceFont(int pixels) {
    QFont font(FromGbk(kFontFace));
    font.setFamilies({FromGbk(kFontFace), QStringLiteral("SimSun"), QStringLiteral("NSimSun"),
                      QStringLiteral("Noto Sans Mono CJK SC"),
                      QStringLiteral("WenQuanYi Zen Hei Mono")});
    font.setPixelSize(pixels);
    return font;
}

template <typename T>
T* Named(T* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption, int x, int y,
                        int width) {
    auto* button = Named(new QPushButton(FromGbk(caption), parent), name);
    button->setGeometry(x, y, width, 25);
    return button;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption, int x, int y,
                  int width = 0) {
    auto* label = Named(new QLabel(FromGbk(caption), parent), name);
    label->move(x, y);
    if (width > 0) {
        // Texts set later get room without re-measuring.
        label->resize(width, label->sizeHint().height());
    } else {
        label->adjustSize();
    }
    return label;
}

QComboBox* MakeComboBox(QWidget* parent, const char* name, int x, int width) {
    auto* box = Named(new QComboBox(parent), name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setGeometry(x, 7, width, 21);
    return box;
}

}  // namespace

void TForm1::CreateComponents() {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(FromGbk(kCaption));
    setFont(FaceFont(13));

    Splitter1 = Named(new QSplitter(Qt::Horizontal, this), "Splitter1");
    Splitter1->setHandleWidth(kSplitterWidth);
    Splitter1->setChildrenCollapsible(false);
    setCentralWidget(Splitter1);

    PageControl1 = Named(new QTabWidget(Splitter1), "PageControl1");
    CreateInventoryTab();
    CreateScanTab();
    PageControl1->setCurrentWidget(TabSheet1);

    Memo1 = Named(new QPlainTextEdit(Splitter1), "Memo1");
    Memo1->setFont(FaceFont(12));
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setMinimumWidth(30);
    Memo1->setMaximumBlockCount(kMaxLogLines);

    Splitter1->addWidget(PageControl1);
    Splitter1->addWidget(Memo1);
    Splitter1->setStretchFactor(0, 1);
    Splitter1->setStretchFactor(1, 0);
    Splitter1->setSizes({kClientWidth - kMemoWidth - kSplitterWidth, kMemoWidth});

    resize(kClientWidth, kClientHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(0, 0), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void TForm1::CreateInventoryTab() {
    TabSheet1 = Named(new QWidget(PageControl1), "TabSheet1");
    PageControl1->addTab(TabSheet1, FromGbk(kTabSheet1));
    auto* layout = new QVBoxLayout(TabSheet1);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    DBGridEh1 = Named(new TDBGridEh(TabSheet1), "DBGridEh1");
    DataSource1 = Named(
        new TInventoryModel(
            ADOQuery1, [this](std::string_view message) { Dialogs().ShowError(message); }, this),
        "DataSource1");
    DBGridEh1->setModel(DataSource1);
    DBGridEh1->Bind(DataSource1, &Dialogs(),
                    [this](const std::function<void()>& operation) { RunHandler(operation); });
    DBGridEh1->setSelectionMode(QAbstractItemView::SingleSelection);
    // Cells are clipped at their edge, not shortened with an ellipsis.
    DBGridEh1->setTextElideMode(Qt::ElideNone);
    DBGridEh1->setWordWrap(false);
    DBGridEh1->setSelectionBehavior(QAbstractItemView::SelectItems);
    DBGridEh1->setEditTriggers(
        QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
        QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    QHeaderView* titles = DBGridEh1->horizontalHeader();
    titles->setFont(FaceFont(13));
    titles->setSectionsClickable(true);
    titles->setSortIndicatorShown(false);
    titles->setHighlightSections(false);
    titles->setDefaultAlignment(Qt::AlignCenter);
    for (int c = 0; c < TInventoryModel::kColumnCount; ++c) {
        int width = TInventoryModel::Columns()[static_cast<std::size_t>(c)].width;
        if (width == 0) {
            // A date and time field: room for 18 digits, as grids size it.
            width = DBGridEh1->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 18 + 4;
        }
        titles->resizeSection(c, width);
    }
    // The row indicator column: the current row and each row's pending
    // state, no numbers.
    QHeaderView* indicator = DBGridEh1->verticalHeader();
    indicator->setSectionResizeMode(QHeaderView::Fixed);
    indicator->setDefaultSectionSize(kGridRowHeight);
    indicator->setMinimumSectionSize(kGridRowHeight);
    indicator->setFixedWidth(24);
    indicator->setHighlightSections(false);
    layout->addWidget(DBGridEh1, 1);

    Panel1 = Named(new QFrame(TabSheet1), "Panel1");
    Panel1->setFrameShape(QFrame::StyledPanel);
    Panel1->setFixedHeight(kPanelHeight);
    layout->addWidget(Panel1);

    ComboBox1 = MakeComboBox(Panel1, "ComboBox1", 5, 114);
    ComboBox3 = MakeComboBox(Panel1, "ComboBox3", 118, 51);
    ComboBox2 = MakeComboBox(Panel1, "ComboBox2", 717, 68);
    for (const SearchField& entry : kSearchFields) {
        ComboBox1->addItem(FromGbk(entry.label));
        ComboBox2->addItem(FromGbk(entry.field));
    }
    ComboBox1->setCurrentIndex(kSearchFieldAtStart);
    ComboBox2->setVisible(false);
    ComboBox3->addItem(FromGbk("\xb5\xc8\xd3\xda"));  // 等于
    ComboBox3->addItem(FromGbk("\xb0\xfc\xba\xac"));  // 包含
    ComboBox3->setCurrentIndex(0);
    Edit1 = Named(new QLineEdit(Panel1), "Edit1");
    Edit1->setGeometry(168, 7, 77, 21);

    Button1 = MakeButton(Panel1, "Button1", "\xb2\xe9\xd1\xaf", 245, 5, 44);  // 查询
    Button6 = MakeButton(Panel1, "Button6", "\xc8\xab\xb2\xbf\xca\xfd\xbe\xdd", 296, 5,
                         61);                                                   // 全部数据
    Button10 = MakeButton(Panel1, "Button10", "\xcb\xa2\xd0\xc2", 366, 5, 44);  // 刷新
    Button7 = MakeButton(Panel1, "Button7",
                         "\xb5\xbc\xb3\xf6"
                         "EXCEL",
                         419, 5, 68);                                         // 导出EXCEL
    Button5 = MakeButton(Panel1, "Button5", "\xd4\xf6\xbc\xd3", 496, 5, 60);  // 增加
    Button3 = MakeButton(Panel1, "Button3", "\xc9\xbe\xb3\xfd", 564, 5, 60);  // 删除
    Button4 = MakeButton(Panel1, "Button4", "\xc8\xa1\xcf\xfb\xd0\xde\xb8\xc4", 632, 5,
                         60);                                                 // 取消修改
    Button2 = MakeButton(Panel1, "Button2", "\xb1\xa3\xb4\xe6", 700, 5, 60);  // 保存
}

void TForm1::CreateScanTab() {
    TabSheet2 = Named(new QWidget(PageControl1), "TabSheet2");
    PageControl1->addTab(TabSheet2, FromGbk(kTabSheet2));
    // StringGrid1 is docked left at full height: kept so by eventFilter.
    TabSheet2->installEventFilter(this);

    StringGrid1 = Named(new QTableView(TabSheet2), "StringGrid1");
    OnlineListSource = Named(new TOnlineListModel(OnlineList, this), "OnlineListSource");
    StringGrid1->setModel(OnlineListSource);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Cells are clipped at their edge, as in the inventory grid.
    StringGrid1->setTextElideMode(Qt::ElideNone);
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectItems);
    StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    StringGrid1->verticalHeader()->setVisible(false);
    StringGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    StringGrid1->verticalHeader()->setMinimumSectionSize(kGridRowHeight);
    StringGrid1->verticalHeader()->setDefaultSectionSize(kGridRowHeight);
    // Row 0 of the list, the fixed header row.
    QHeaderView* fixedRow = StringGrid1->horizontalHeader();
    fixedRow->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    fixedRow->setSectionsClickable(false);
    fixedRow->setHighlightSections(false);
    fixedRow->setFixedHeight(kGridRowHeight + 1);
    for (int c = 0; c < static_cast<int>(kOnlineListColumnWidths.size()); ++c) {
        fixedRow->resizeSection(c, kOnlineListColumnWidths[static_cast<std::size_t>(c)]);
    }
    StringGrid1->setGeometry(0, 0, kOnlineListWidth, TabSheet2->height());

    Label1 = MakeLabel(TabSheet2, "Label1", "\xb4\xd3", 476, 21);  // 从
    Edit2 = Named(new QLineEdit(TabSheet2), "Edit2");
    Edit2->setGeometry(492, 16, 105, 21);
    Label2 = MakeLabel(TabSheet2, "Label2", "\xb5\xbd", 599, 21);  // 到
    Edit3 = Named(new QLineEdit(TabSheet2), "Edit3");
    Edit3->setGeometry(615, 16, 105, 21);
    Button8 = MakeButton(TabSheet2, "Button8", "\xbf\xaa\xca\xbc\xb2\xe9\xd5\xd2", 571, 56,
                         75);  // 开始查找
    Label3 = MakeLabel(TabSheet2, "Label3", "", 653, 62, 170);
    Label7 = MakeLabel(TabSheet2, "Label7", "", 480, 456, 340);
    Button12 = MakeButton(TabSheet2, "Button12",
                          "\xb5\xbc\xb3\xf6\xd4\xda\xcf\xdf\xb5\xe7\xc4\xd4\xc1\xd0\xb1\xed", 471,
                          509, 129);  // 导出在线电脑列表
}

void TForm1::ConnectHandlers() {
    const std::array<std::pair<QPushButton*, void (TForm1::*)()>, 10> clicks{{
        {Button1, &TForm1::Button1Click},
        {Button2, &TForm1::Button2Click},
        {Button3, &TForm1::Button3Click},
        {Button4, &TForm1::Button4Click},
        {Button5, &TForm1::Button5Click},
        {Button6, &TForm1::Button6Click},
        {Button7, &TForm1::Button7Click},
        {Button10, &TForm1::Button10Click},
        {Button8, &TForm1::Button8Click},
        {Button12, &TForm1::Button12Click},
    }};
    for (const auto& [button, handler] : clicks) {
        connect(button, &QPushButton::clicked, this,
                [this, handler = handler] { RunHandler([this, handler] { (this->*handler)(); }); });
    }
    connect(DBGridEh1->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { RunHandler([this, column] { DBGridEh1TitleClick(column); }); });
    // The dataset's current row follows the grid's.
    connect(DBGridEh1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                RunHandler([this, current] { DataSource1->SetCurrentRow(current.row()); });
            });
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == TabSheet2 && event->type() == QEvent::Resize) {
        StringGrid1->setGeometry(0, 0, kOnlineListWidth, TabSheet2->height());
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace vantrel::app

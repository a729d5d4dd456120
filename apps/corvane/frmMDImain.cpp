#include "corvane/frmMDImain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "analysis/graphs/window/GraphWindowHandle.h"
#include "analysis/graphs/window/frmpeGraph.h"
#include "analysis/shell/ManualFiles.h"
#include "common/Prompt.h"
#include "corvane/frmCopySet.h"
#include "corvane/frmIntroBx.h"
#include "corvane/frmOpenSet.h"

namespace corvane {

frmMDImain::frmMDImain(common::Prompt& prompt, std::string programDirectory)
    : m_prompt(prompt), m_programDirectory(std::move(programDirectory)),
      m_progress(m_bar, [] { QApplication::processEvents(); }), m_graphs(prompt, m_progress),
      m_parent(m_bar), m_shell(m_graphs, prompt, *this), m_graphWindows(prompt, m_graphs),
      m_dataExport(prompt) {
    setObjectName("frmMDImain");
    setWindowTitle(QString::fromLatin1(shell::kMainCaption));

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    m_area = new QMdiArea(central);
    m_area->setObjectName("mdiArea");
    layout->addWidget(m_area, 1);
    m_picMessage = new QWidget(central);
    m_picMessage->setObjectName("picMessage");
    auto* bar = new QHBoxLayout(m_picMessage);
    m_lblMessage = new QLabel(QString::fromStdString(m_bar.text()), m_picMessage);
    m_lblMessage->setObjectName("lblMessage");
    m_stop = new QPushButton(QStringLiteral("Stop"), m_picMessage);
    m_stop->setObjectName("cmdStop");
    bar->addWidget(m_lblMessage, 1);
    bar->addWidget(m_stop);
    layout->addWidget(m_picMessage);
    setCentralWidget(central);
    m_picMessage->hide();
    m_stop->hide();
    connect(m_stop, &QPushButton::clicked, this, [this] { m_bar.RequestStop(); });
    m_bar.setChanged([this] { showBar(); });

    m_parent.setArrangeIcons([this] { arrangeIcons(); });
    connectGraphWindows();

    m_intro = new frmIntroBx(this);
    connect(m_intro, &frmIntroBx::chosen, this,
            [this](shell::StartChoice choice) { m_shell.Choose(choice); });
    m_open = new frmOpenSet(m_graphs, prompt, this);
    connect(m_open, &frmOpenSet::opened, this, [this] { showOpenedTest(); });
    m_copy = new frmCopySet(prompt, m_progress, this);
    buildMenus();
    resize(1000, 700);
}

frmMDImain::~frmMDImain() {
    // The graphs go while their windows and the bar still exist.
    m_bar.setChanged({});
    m_graphs.CloseAllDatasets();
}

void frmMDImain::connectGraphWindows() {
    graphs::GraphWindowContext& c = m_graphWindows;
    c.parent = &m_parent;
    // These close every test set, and with them the window whose menu asked: they run once
    // that window's handler has returned.
    c.analyzeFile = [this] { QTimer::singleShot(0, this, [this] { m_shell.AnalyzeFile(); }); };
    c.exitGraphs = [this] { QTimer::singleShot(0, this, [this] { m_shell.ExitGraphs(); }); };
    c.saveFile = [this](const std::string& setFile) {
        const QString file = QString::fromStdString(setFile);
        QTimer::singleShot(0, this, [this, file] { SaveFile(file); });
    };
    c.tileHorizontally = [this] { tileHorizontally(); };
    c.tileVertically = [this] { tileVertically(); };
    c.cascade = [this] { m_area->cascadeSubWindows(); };
    c.arrangeIcons = [this] { arrangeIcons(); };
    c.openManual = [this] { OpenManual(shell::kCorvaneManual); };
    c.about = [this] { ShowAbout(); };
    m_dataExport.install(c);

    m_graphs.setViewFactory([this](graphs::clsGraph& owner) -> std::unique_ptr<graphs::GraphView> {
        auto* window = new graphs::frmpeGraph(owner, m_graphWindows);
        QMdiSubWindow* sub = m_area->addSubWindow(window);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        // The plot's own size hint is a bare title bar; start at a size that shows a trace.
        const QSize area = m_area->viewport()->size();
        sub->resize(std::max(480, area.width() * 2 / 3), std::max(280, area.height() / 2));
        sub->show();
        return std::make_unique<graphs::GraphWindowHandle>(*window);
    });
    connect(m_area, &QMdiArea::subWindowActivated, this, [](QMdiSubWindow* sub) {
        if (!sub) return;
        if (auto* window = qobject_cast<graphs::frmpeGraph*>(sub->widget())) window->Activate();
    });
}

std::vector<graphs::frmpeGraph*> frmMDImain::graphWindows() const {
    std::vector<graphs::frmpeGraph*> windows;
    for (QMdiSubWindow* sub : m_area->subWindowList(QMdiArea::CreationOrder))
        if (auto* window = qobject_cast<graphs::frmpeGraph*>(sub->widget()))
            windows.push_back(window);
    return windows;
}

bool frmMDImain::OpenTestSetFile(const std::string& setFile, bool quiet) {
    hideStartBox();
    if (!m_graphs.OpenTestSet(setFile, quiet)) {
        // Nothing opened: the user chooses again.
        showStartBox();
        return false;
    }
    showOpenedTest();
    return true;
}

void frmMDImain::showOpenedTest() {
    // A few graphs are shown one above the other, as the traces of one shot are compared
    // along the same time axis; more than that would be too thin, so they are cascaded.
    constexpr int kMostTiled = 4;
    if (m_area->subWindowList().size() <= kMostTiled)
        tileHorizontally();
    else
        m_area->cascadeSubWindows();
    arrangeIcons();
    m_graphs.ActivateCurrentGraph();
}

void frmMDImain::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    QAction* exit = file->addAction(QStringLiteral("E&xit"));
    exit->setObjectName("MenuExit");
    connect(exit, &QAction::triggered, this, [this] { m_shell.MenuExit_Click(); });

    QAction* analyze = menuBar()->addAction(QStringLiteral("&Analyze"));
    analyze->setObjectName("MenuAnalyze");
    connect(analyze, &QAction::triggered, this, [this] { m_shell.SetupForAnalysis(); });
    QAction* retrieve = menuBar()->addAction(QStringLiteral("&Retrieve"));
    retrieve->setObjectName("MenuRetrieve");
    connect(retrieve, &QAction::triggered, this, [this] { m_shell.SetupForRetrieval(); });

    QMenu* window = menuBar()->addMenu(QStringLiteral("&Window"));
    connect(window->addAction(QStringLiteral("Tile Horizontally")), &QAction::triggered, this,
            &frmMDImain::tileHorizontally);
    connect(window->addAction(QStringLiteral("Tile Vertically")), &QAction::triggered, this,
            &frmMDImain::tileVertically);
    connect(window->addAction(QStringLiteral("Cascade")), &QAction::triggered, m_area,
            &QMdiArea::cascadeSubWindows);
    connect(window->addAction(QStringLiteral("Arrange")), &QAction::triggered, this,
            &frmMDImain::arrangeIcons);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    QAction* manual = help->addAction(QStringLiteral("Corvane Operations Manual.pdf "));
    manual->setObjectName("MenuCorvaneManual");
    connect(manual, &QAction::triggered, this, [this] { OpenManual(shell::kCorvaneManual); });
    QAction* about = help->addAction(QStringLiteral("About"));
    about->setObjectName("MenuHelpAbout");
    connect(about, &QAction::triggered, this, &frmMDImain::ShowAbout);
}

void frmMDImain::Start() { m_shell.Start(m_programDirectory); }

void frmMDImain::showBar() {
    m_lblMessage->setText(QString::fromStdString(m_bar.text()));
    m_stop->setVisible(m_bar.stopButtonVisible());
    m_picMessage->setVisible(m_bar.visible());
}

void frmMDImain::showStartBox() {
    m_intro->CenterFrm(QRect(mapToGlobal(m_area->geometry().topLeft()), m_area->size()));
}

void frmMDImain::hideStartBox() { m_intro->hide(); }

void frmMDImain::showOpenDialog() { m_open->Setup(); }

void frmMDImain::endProgram() {
    m_intro->hide();
    m_open->hide();
    m_copy->hide();
    close();
}

void frmMDImain::closeEvent(QCloseEvent* event) {
    if (!m_shell.QueryClose()) {
        event->ignore();
        return;
    }
    m_intro->hide();
    m_open->hide();
    m_copy->hide();
    event->accept();
}

void frmMDImain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    arrangeIcons();
}

void frmMDImain::SaveFile(const QString& setFile) {
    m_graphs.CloseAllDatasets();
    m_copy->SetFileBoxForCopy(setFile);
}

void frmMDImain::OpenManual(const std::string& fileName) {
    const auto target = shell::resolveManual(m_programDirectory, fileName);
    if (const auto* missing = std::get_if<shell::ManualMissing>(&target)) {
        common::ShowMessage(m_prompt, missing->message);
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(
        QString::fromStdString(std::get<shell::ManualFile>(target).file.string())));
}

void frmMDImain::ShowAbout() {
    QDialog about(this);
    about.setObjectName("frmHelpAbout");
    about.setWindowTitle(QString::fromLatin1(shell::kMainCaption));
    auto* layout = new QVBoxLayout(&about);
    layout->addWidget(new QLabel(QString::fromLatin1(shell::kAboutTitle), &about));
    layout->addWidget(new QLabel(QString::fromLatin1(shell::kAboutVersion), &about));
    auto* ok = new QPushButton(QStringLiteral("OK"), &about);
    connect(ok, &QPushButton::clicked, &about, &QDialog::accept);
    layout->addWidget(ok);
    about.exec();
}

void frmMDImain::tileHorizontally() {
    const QList<QMdiSubWindow*> windows = m_area->subWindowList();
    if (windows.isEmpty()) return;
    const int h = std::max(1, m_area->viewport()->height() / static_cast<int>(windows.size()));
    int y = 0;
    for (QMdiSubWindow* w : windows) {
        w->showNormal();
        w->setGeometry(0, y, m_area->viewport()->width(), h);
        y += h;
    }
}

void frmMDImain::tileVertically() {
    const QList<QMdiSubWindow*> windows = m_area->subWindowList();
    if (windows.isEmpty()) return;
    const int w = std::max(1, m_area->viewport()->width() / static_cast<int>(windows.size()));
    int x = 0;
    for (QMdiSubWindow* window : windows) {
        window->showNormal();
        window->setGeometry(x, 0, w, m_area->viewport()->height());
        x += w;
    }
}

void frmMDImain::arrangeIcons() {
    // Minimised children in rows along the bottom edge.
    int x = 0;
    int y = m_area->viewport()->height();
    for (QMdiSubWindow* w : m_area->subWindowList()) {
        if (!w->isMinimized()) continue;
        const QSize size = w->size();
        if (x > 0 && x + size.width() > m_area->viewport()->width()) {
            x = 0;
            y -= size.height();
        }
        w->move(x, y - size.height());
        x += size.width();
    }
}

}  // namespace corvane

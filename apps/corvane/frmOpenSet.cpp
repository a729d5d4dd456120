#include "corvane/frmOpenSet.h"

#include <QFileSystemModel>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeView>

#include <filesystem>

#include "corvane/NameKeyFilter.h"

namespace corvane {

frmOpenSet::frmOpenSet(shell::msgGraphs& graphs, common::Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_model(graphs, prompt, [this] { hide(); }) {
    setObjectName("frmOpenSet");
    setWindowTitle(QString::fromLatin1(shell::kOpenSetTitle));

    m_folders = new QFileSystemModel(this);
    m_folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    m_folders->setRootPath(QStringLiteral("/"));
    m_tree = new QTreeView(this);
    m_tree->setObjectName("dirOpen");
    m_tree->setModel(m_folders);
    for (int c = 1; c < m_folders->columnCount(); ++c) m_tree->hideColumn(c);
    m_files = new QListWidget(this);
    m_files->setObjectName("filOpen");
    m_name = new QLineEdit(this);
    m_name->setObjectName("txtName");
    m_name->installEventFilter(new NameKeyFilter(&shell::frmOpenSetModel::bNameKeyAccepted, m_name));
    m_comment = new QPlainTextEdit(this);
    m_comment->setObjectName("txtComment");
    m_comment->setReadOnly(true);
    m_open = new QPushButton(QString::fromLatin1(shell::kOpenButton), this);
    m_open->setObjectName("cmdOpen");
    auto* cancel = new QPushButton(QString::fromLatin1(shell::kCancelButton), this);
    cancel->setObjectName("cmdCancel");
    auto* all = new QPushButton(QStringLiteral("Open All Quiddor II Files"), this);
    all->setObjectName("cmdOpenAllHandHeld");
    auto* store = new QPushButton(QStringLiteral("Set Start Directory"), this);
    store->setObjectName("cmdStoreStartDirectory");

    auto* grid = new QGridLayout(this);
    grid->addWidget(m_tree, 0, 0, 4, 1);
    grid->addWidget(m_files, 0, 1, 4, 1);
    grid->addWidget(new QLabel(QString::fromLatin1(shell::kNameLabel), this), 0, 2);
    grid->addWidget(m_name, 1, 2);
    grid->addWidget(new QLabel(QString::fromLatin1(shell::kCommentLabel), this), 2, 2);
    grid->addWidget(m_comment, 3, 2);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {m_open, cancel, all, store}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    grid->addLayout(buttons, 4, 0, 1, 3);

    connect(m_tree, &QTreeView::clicked, this,
            [this](const QModelIndex& index) { setDirectory(m_folders->filePath(index)); });
    connect(m_files, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        m_model.FileClicked(item->text().toStdString());
        m_name->setText(QString::fromStdString(m_model.name()));
        m_comment->setPlainText(QString::fromStdString(m_model.comment()).replace("\r\n", "\n"));
    });
    connect(m_files, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem*) {
        if (m_open->isEnabled()) open();
    });
    connect(m_name, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_model.SetName(text.toStdString()); });
    connect(m_name, &QLineEdit::returnPressed, this, [this] { (void)m_model.NameEntered(); });
    connect(m_open, &QPushButton::clicked, this, &frmOpenSet::open);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(all, &QPushButton::clicked, this, &frmOpenSet::openAllHandHeld);
    connect(store, &QPushButton::clicked, this, [this] { m_model.StoreStartDirectory(); });
}

void frmOpenSet::Setup() {
    m_model.Load();
    setDirectory(QString::fromStdString(m_model.directory().string()));
    show();
    raise();
}

void frmOpenSet::setDirectory(const QString& directory) {
    m_model.SetDirectory(directory.toStdString());
    m_name->clear();
    m_comment->clear();
    const QModelIndex index = m_folders->index(directory);
    if (index.isValid()) {
        m_tree->setCurrentIndex(index);
        m_tree->scrollTo(index);
    }
    refreshFiles();
}

void frmOpenSet::refreshFiles() {
    m_files->clear();
    for (const std::string& name : m_model.fileList())
        m_files->addItem(QString::fromStdString(name));
}

void frmOpenSet::open() {
    m_model.SetName(m_name->text().toStdString());
    m_open->setEnabled(false);
    const shell::OpenOutcome outcome = m_model.Open();
    m_open->setEnabled(true);
    if (outcome == shell::OpenOutcome::Opened) {
        Q_EMIT opened();
    } else if (outcome == shell::OpenOutcome::Failed) {
        // The test could not be set up (the dataset said why): let the user choose again.
        show();
    }
}

void frmOpenSet::openAllHandHeld() {
    if (m_model.OpenAllHandHeld() > 0) {
        hide();
        Q_EMIT opened();
    }
}

}  // namespace corvane

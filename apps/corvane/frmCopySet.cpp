#include "corvane/frmCopySet.h"

#include <QCheckBox>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeView>

#include "analysis/shell/frmOpenSetModel.h"
#include "corvane/NameKeyFilter.h"

namespace corvane {

frmCopySet::frmCopySet(common::Prompt& prompt, common::Progress& progress, QWidget* parent)
    : QDialog(parent), m_model(prompt), m_progress(progress) {
    setObjectName("frmCopySet");
    setWindowTitle(QString::fromLatin1(shell::kCopySetTitle));

    m_folders = new QFileSystemModel(this);
    m_folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    m_folders->setRootPath(QStringLiteral("/"));
    m_tree = new QTreeView(this);
    m_tree->setObjectName("dirCopy");
    m_tree->setModel(m_folders);
    for (int c = 1; c < m_folders->columnCount(); ++c) m_tree->hideColumn(c);
    m_files = new QListWidget(this);
    m_files->setObjectName("filCopy");
    m_name = new QLineEdit(this);
    m_name->setObjectName("txtName");
    m_name->installEventFilter(new NameKeyFilter(&shell::frmCopySetModel::bNameKeyAccepted, m_name));
    m_compress = new QCheckBox(QString::fromLatin1(shell::kCompressCheck), this);
    m_compress->setObjectName("chkCompress");
    m_compression = new QLabel(this);
    m_compression->setObjectName("lblCompression");
    m_free = new QLabel(this);
    m_free->setObjectName("lblFreeSpace");
    auto* save = new QPushButton(QString::fromLatin1(shell::kSaveButton), this);
    save->setObjectName("cmdSave");
    auto* cancel = new QPushButton(QString::fromLatin1(shell::kCancelButton), this);
    cancel->setObjectName("cmdCancel");

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QString::fromLatin1(shell::kCopyExplanation), this), 0, 0, 1, 3);
    grid->addWidget(m_tree, 1, 0, 5, 1);
    grid->addWidget(m_files, 1, 1, 5, 1);
    grid->addWidget(new QLabel(QString::fromLatin1(shell::kCopyNameLabel), this), 1, 2);
    grid->addWidget(m_name, 2, 2);
    grid->addWidget(m_compression, 3, 2);
    grid->addWidget(m_compress, 4, 2);
    grid->addWidget(m_free, 5, 2);
    grid->addWidget(save, 6, 1);
    grid->addWidget(cancel, 6, 2);
    save->setAutoDefault(false);
    cancel->setAutoDefault(false);

    connect(m_tree, &QTreeView::clicked, this,
            [this](const QModelIndex& index) { setDirectory(m_folders->filePath(index)); });
    connect(m_name, &QLineEdit::returnPressed, this, [this] {
        m_model.SetName(m_name->text().toStdString());
        (void)m_model.NameEntered();
    });
    connect(save, &QPushButton::clicked, this, &frmCopySet::save);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmCopySet::SetFileBoxForCopy(const QString& sourceSetFile) {
    m_model.SetFileBoxForCopy(sourceSetFile.toStdString());
    m_name->setText(QString::fromStdString(m_model.name()));
    m_compression->setText(QString::fromStdString(m_model.compressionLabel()));
    m_compress->setChecked(false);
    setDirectory(QString::fromStdString(m_model.directory().string()));
    show();
    raise();
}

void frmCopySet::setDirectory(const QString& directory) {
    m_model.SetDirectory(directory.toStdString());
    const QModelIndex index = m_folders->index(directory);
    if (index.isValid()) m_tree->setCurrentIndex(index);
    m_files->clear();
    for (const std::string& name : shell::filesWithExtension(m_model.directory(), shell::kSetFileExtension))
        m_files->addItem(QString::fromStdString(name));
    m_free->setText(QString::fromStdString(shell::freeSpaceText(m_model.directory()).value_or("")));
}

void frmCopySet::save() {
    m_model.SetName(m_name->text().toStdString());
    m_model.SetCompress(m_compress->isChecked());
    if (m_model.SaveData(m_progress)) accept();
}

}  // namespace corvane

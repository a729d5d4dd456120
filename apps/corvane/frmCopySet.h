#pragma once
// The copy-set window: a folder tree, its set files, the new name, compression and free space.

#include <QDialog>

#include "analysis/shell/frmCopySetModel.h"

class QCheckBox;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QListWidget;
class QTreeView;

namespace common {
class Progress;
}

namespace corvane {

class frmCopySet final : public QDialog {
    Q_OBJECT
public:
    frmCopySet(common::Prompt& prompt, common::Progress& progress, QWidget* parent);

    // Set up for the source set file and shown.
    void SetFileBoxForCopy(const QString& sourceSetFile);
    void setDirectory(const QString& directory);
    shell::frmCopySetModel& model() { return m_model; }

private:
    void save();

    shell::frmCopySetModel m_model;
    common::Progress& m_progress;
    QFileSystemModel* m_folders;
    QTreeView* m_tree;
    QListWidget* m_files;
    QLineEdit* m_name;
    QCheckBox* m_compress;
    QLabel* m_compression;
    QLabel* m_free;
};

}  // namespace corvane

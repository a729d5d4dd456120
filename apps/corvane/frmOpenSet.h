#pragma once
// The open-test window: a folder tree, the folder's set files, the name and comment boxes.

#include <QDialog>

#include "analysis/shell/frmOpenSetModel.h"

class QFileSystemModel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTreeView;

namespace corvane {

class frmOpenSet final : public QDialog {
    Q_OBJECT
public:
    frmOpenSet(shell::msgGraphs& graphs, common::Prompt& prompt, QWidget* parent);

    // Loads the start folder and shows the window.
    void Setup();
    void setDirectory(const QString& directory);
    shell::frmOpenSetModel& model() { return m_model; }

Q_SIGNALS:
    // A test set was opened (the dialog is hidden).
    void opened();

private:
    void refreshFiles();
    void open();
    void openAllHandHeld();

    shell::frmOpenSetModel m_model;
    QFileSystemModel* m_folders;
    QTreeView* m_tree;
    QListWidget* m_files;
    QLineEdit* m_name;
    QPlainTextEdit* m_comment;
    QPushButton* m_open;
};

}  // namespace corvane

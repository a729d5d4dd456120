#pragma once
// The start box: analyse, retrieve or exit, by button or by the keys A, R and X.

#include <QDialog>

#include "analysis/shell/StartBox.h"

namespace corvane {

class frmIntroBx final : public QDialog {
    Q_OBJECT
public:
    explicit frmIntroBx(QWidget* parent);
    // Places the box in the middle of the given inner area and shows it.
    void CenterFrm(const QRect& inner);

Q_SIGNALS:
    void chosen(shell::StartChoice choice);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
};

}  // namespace corvane

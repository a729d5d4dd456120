#include "corvane/frmIntroBx.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvane {

frmIntroBx::frmIntroBx(QWidget* parent) : QDialog(parent) {
    setObjectName("frmIntroBx");
    setWindowTitle(QString::fromLatin1(shell::kStartBoxCaption));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QString::fromLatin1(shell::kStartBoxTitle), this);
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
    struct Choice {
        const char* name;
        const char* label;
        shell::StartChoice choice;
    };
    for (const Choice& c : {Choice{"cmdAnalyze", shell::kAnalyzeLabel, shell::StartChoice::Analyze},
                            Choice{"cmdRetrieve", shell::kRetrieveLabel, shell::StartChoice::Retrieve},
                            Choice{"cmdExit", shell::kExitLabel, shell::StartChoice::Exit}}) {
        auto* button = new QPushButton(QString::fromLatin1(c.label), this);
        button->setObjectName(QString::fromLatin1(c.name));
        button->setAutoDefault(false);
        const shell::StartChoice choice = c.choice;
        connect(button, &QPushButton::clicked, this, [this, choice] { Q_EMIT chosen(choice); });
        layout->addWidget(button);
    }
}

void frmIntroBx::CenterFrm(const QRect& inner) {
    adjustSize();
    const shell::BoxPosition p = shell::CenterFrm(inner.width(), inner.height(), width(), height());
    move(inner.left() + p.left, inner.top() + p.top);
    show();
}

void frmIntroBx::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    if (text.size() == 1 && text.at(0).unicode() < 128) {
        if (auto choice = shell::startChoiceForKey(static_cast<char>(text.at(0).unicode()))) {
            Q_EMIT chosen(*choice);
            return;
        }
    }
    // Escape would hide the box and leave no way in; the choices are the only ways out.
    if (event->key() == Qt::Key_Escape) return;
    QDialog::keyPressEvent(event);
}

void frmIntroBx::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMaximized))
        setWindowState(windowState() & ~Qt::WindowMaximized);
    QDialog::changeEvent(event);
}

}  // namespace corvane

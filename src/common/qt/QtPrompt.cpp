#include "common/qt/QtPrompt.h"

#include <QInputDialog>
#include <QMessageBox>
#include <QString>

namespace common {
namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

std::string displayText(const std::string& text) {
    std::string shown = common::expandLineMarks(text);
    std::string out;
    out.reserve(shown.size());
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (shown[i] == '\r' && i + 1 < shown.size() && shown[i + 1] == '\n') continue;
        out += shown[i];
    }
    return out;
}

void QtPrompt::message(const std::string& text, const std::string& title) {
    QMessageBox box(QMessageBox::NoIcon, q(title), q(displayText(text)), QMessageBox::Ok, m_parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool QtPrompt::askYesNo(const std::string& text, const std::string& title) {
    QMessageBox box(QMessageBox::Question, q(title), q(displayText(text)), QMessageBox::Yes | QMessageBox::No,
                    m_parent);
    box.setTextFormat(Qt::PlainText);
    return box.exec() == QMessageBox::Yes;
}

bool QtPrompt::askOkCancel(const std::string& text, const std::string& title) {
    QMessageBox box(QMessageBox::Question, q(title), q(displayText(text)), QMessageBox::Ok | QMessageBox::Cancel,
                    m_parent);
    box.setTextFormat(Qt::PlainText);
    return box.exec() == QMessageBox::Ok;
}

std::optional<std::string> QtPrompt::input(const std::string& text, const std::string& title,
                                           const std::string& defaultText) {
    bool ok = false;
    const QString answer =
        QInputDialog::getText(m_parent, q(title), q(displayText(text)), QLineEdit::Normal, q(defaultText), &ok);
    if (!ok) return std::nullopt;
    return answer.toStdString();
}

}  // namespace common

#pragma once
// Lets only the accepted typed characters into a name box. Keys without text (arrows, Enter)
// pass, and so does a name put into the box by the program, which may hold an extension.

#include <QKeyEvent>
#include <QObject>

#include <functional>

namespace corvane {

class NameKeyFilter final : public QObject {
public:
    NameKeyFilter(std::function<bool(char)> accepted, QObject* parent)
        : QObject(parent), m_accepted(std::move(accepted)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const QString text = static_cast<QKeyEvent*>(event)->text();
            if (text.size() == 1 && text.at(0).isPrint()) {
                const char16_t c = text.at(0).unicode();
                if (c >= 128 || !m_accepted(static_cast<char>(c))) return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<bool(char)> m_accepted;
};

}  // namespace corvane

#include "harvdl32/frmDownload.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace harvdl32 {

frmDownload::frmDownload(std::string fileRoot, common::Prompt& prompt, download::DriverOptions options,
                         QWidget* parent)
    : QWidget(parent) {
    setWindowTitle(QStringLiteral("Corvane Download"));
    setObjectName(QStringLiteral("frmDownload"));

    txtFileName = new QLineEdit(this);
    txtFileName->setObjectName(QStringLiteral("txtFileName"));
    txtFileName->setReadOnly(true);

    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto* boxes = new QGridLayout(Frame1);
    for (int i = 0; i < kBoxes; ++i) {
        auto* box = new QCheckBox(QString::number(i + 1), Frame1);
        box->setObjectName(QStringLiteral("chkGetTest%1").arg(i + 1));
        box->setVisible(false);
        boxes->addWidget(box, i / 8, i % 8);
        chkGetTest[static_cast<std::size_t>(i)] = box;
    }

    lblInstructions = new QLabel(QStringLiteral("Click on test numbers to choose  which tests will be retrieved."), this);
    lblInstructions->setObjectName(QStringLiteral("lblInstructions"));
    lblInstructions->setWordWrap(true);

    cmdStart = new QPushButton(QStringLiteral("Download"), this);
    cmdStart->setObjectName(QStringLiteral("cmdStart"));
    cmdStart->setVisible(false);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setVisible(false);
    cmdCancel->setEnabled(false);

    lblPctDone = new QLabel(this);
    lblPctDone->setObjectName(QStringLiteral("lblPctDone"));
    lblTry = new QLabel(this);
    lblTry->setObjectName(QStringLiteral("lblTry"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdStart);
    buttons->addWidget(cmdCancel);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtFileName);
    layout->addWidget(Frame1);
    layout->addWidget(lblInstructions);
    layout->addLayout(buttons);
    layout->addWidget(lblPctDone);
    layout->addWidget(lblTry);

    connect(cmdStart, &QPushButton::clicked, this, &frmDownload::cmdStart_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmDownload::cmdCancel_Click);

    m_driver = std::make_unique<download::DownloadDriver>(std::move(fileRoot), prompt, *this, *this,
                                                          std::move(options));
    m_sinceEvents.start();
}

frmDownload::~frmDownload() = default;

void frmDownload::load() { QTimer::singleShot(0, this, &frmDownload::Form_Load); }

void frmDownload::Form_Load() {
    // The driver reports every failure itself; nothing may leave a slot.
    try {
        m_driver->Start();
    } catch (...) {
        finish();
    }
}

void frmDownload::cmdStart_Click() {
    try {
        m_driver->Download();
    } catch (...) {
        finish();
    }
}

void frmDownload::cmdCancel_Click() { m_driver->Cancel(); }

void frmDownload::showFileName(const std::string& text) { txtFileName->setText(QString::fromStdString(text)); }

void frmDownload::showWindow() {
    show();
    letEventsRun();
}

void frmDownload::downloadStarted() {
    for (QCheckBox* box : chkGetTest) box->setEnabled(false);
    cmdStart->setEnabled(false);
    cmdCancel->setVisible(true);
    cmdCancel->setEnabled(true);
}

void frmDownload::showProgressText(const std::string& text) { lblPctDone->setText(QString::fromStdString(text)); }

void frmDownload::showPortTypeText(const std::string& text) { lblTry->setText(QString::fromStdString(text)); }

void frmDownload::letEventsRun() {
    QCoreApplication::processEvents();
    m_sinceEvents.restart();
}

void frmDownload::transferTick() {
    if (m_sinceEvents.elapsed() >= kEventIntervalMs) letEventsRun();
}

void frmDownload::closeWindow() { finish(); }

void frmDownload::SetNrTests(int vlNrStoredTests) {
    for (int i = 1; i <= vlNrStoredTests && i <= kBoxes; ++i) {
        QCheckBox* box = chkGetTest[static_cast<std::size_t>(i - 1)];
        box->setVisible(true);
        box->setChecked(true);
    }
    cmdStart->setVisible(true);
    cmdStart->setEnabled(true);
}

bool frmDownload::testChosen(int t) const {
    return t >= 1 && t <= kBoxes && chkGetTest[static_cast<std::size_t>(t - 1)]->isChecked();
}

void frmDownload::closeEvent(QCloseEvent* event) {
    if (!m_ended && !m_driver->WindowClosing()) {
        event->ignore();  // the running transfer stops at its next check and ends the run
        return;
    }
    event->accept();
    finish();
}

void frmDownload::finish() {
    if (m_ended) return;
    m_ended = true;
    hide();
    Q_EMIT ended();
}

}  // namespace harvdl32

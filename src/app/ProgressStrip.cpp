#include "app/ProgressStrip.h"

#include "app/ShellText.h"
#include "config/StringTable.h"
#include "document/FileProgress.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace {
// Fine enough for a smooth bar, coarse enough to cost the window nothing.
constexpr int kUpdateIntervalMs = 100;
constexpr int kBarSteps = 1000;
} // namespace

ProgressStrip::ProgressStrip(QWidget* parent)
    : QWidget(parent), m_text(new QLabel(this)), m_bar(new QProgressBar(this)),
      m_cancel(new QPushButton(ShellText::Get(StringId::Cancel), this)),
      m_showTimer(new QTimer(this)), m_updateTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("ProgressStrip"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->addWidget(m_text);
    layout->addWidget(m_bar, 1);
    layout->addWidget(m_cancel);
    m_bar->setRange(0, kBarSteps);
    m_showTimer->setSingleShot(true);
    m_showTimer->setInterval(ShowDelayMs);
    m_updateTimer->setInterval(kUpdateIntervalMs);
    connect(m_showTimer, &QTimer::timeout, this, [this] {
        Update();
        show();
        m_updateTimer->start();
    });
    connect(m_updateTimer, &QTimer::timeout, this, &ProgressStrip::Update);
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        if (m_progress)
            m_progress->Cancel();
        else if (m_cancelWork)
            m_cancelWork();
        m_cancel->setEnabled(false);
    });
    hide();
}

void ProgressStrip::Follow(FileProgress& progress, const QString& text)
{
    m_progress = &progress;
    m_cancelWork = nullptr;
    m_text->setText(text);
    m_cancel->setEnabled(true);
    m_showTimer->start();
}

void ProgressStrip::ShowBusy(const QString& text, std::function<void()> cancel)
{
    m_progress = nullptr;
    m_cancelWork = std::move(cancel);
    m_text->setText(text);
    m_bar->setRange(0, 0);
    m_cancel->setEnabled(true);
    show();
}

void ProgressStrip::Stop()
{
    m_progress = nullptr;
    m_cancelWork = nullptr;
    m_showTimer->stop();
    m_updateTimer->stop();
    hide();
}

void ProgressStrip::Update()
{
    if (!m_progress)
        return;
    const qint64 total = m_progress->Total();
    // An unknown total (a save of a new file while it serialises) shows a busy bar.
    if (total <= 0) {
        m_bar->setRange(0, 0);
        return;
    }
    m_bar->setRange(0, kBarSteps);
    const qint64 done = std::clamp<qint64>(m_progress->Done(), 0, total);
    m_bar->setValue(int(done * kBarSteps / total));
}

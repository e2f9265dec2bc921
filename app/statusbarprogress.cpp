#include "statusbarprogress.h"

#include <QApplication>
#include <QProgressBar>
#include <QStatusBar>

#include <climits>

namespace {
// A bar counts in int; block counts of real files stay far below its limit.
int barValue(qint64 value)
{
    return int(qMin<qint64>(value, INT_MAX));
}
}  // namespace

StatusBarProgress::StatusBarProgress(QStatusBar* statusBar, const bool& stopRequested)
    : m_statusBar(statusBar), m_stopRequested(stopRequested)
{}

StatusBarProgress::~StatusBarProgress()
{
    end();
}

void StatusBarProgress::begin(qint64 totalSteps)
{
    m_bar = new QProgressBar(m_statusBar);
    m_bar->setRange(0, barValue(totalSteps));
    m_bar->setValue(0);
    m_statusBar->addWidget(m_bar, 0);
    m_bar->show();
}

bool StatusBarProgress::advance(qint64 step)
{
    if (m_bar)
        m_bar->setValue(barValue(step));
    QApplication::processEvents();
    return !m_stopRequested;
}

void StatusBarProgress::end()
{
    if (!m_bar)
        return;
    m_statusBar->removeWidget(m_bar);
    delete m_bar;
    m_bar = nullptr;
}

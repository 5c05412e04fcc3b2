#include "UAniIndicator.h"

#include <QPainter>
#include <QtMath>

TAniIndicator::TAniIndicator(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("AniIndicatorWaiting"));
    setFixedSize(96, 96);
    fTimer.setInterval(80);
    QObject::connect(&fTimer, &QTimer::timeout, this, [this] {
        fStep = (fStep + 1) % 12;
        update();
    });
}

void TAniIndicator::setEnabled(bool enabled)
{
    QWidget::setEnabled(enabled);
    if (enabled)
        fTimer.start();
    else
        fTimer.stop();
}

void TAniIndicator::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c = rect().center();
    const qreal r = qMin(width(), height()) / 2.0 - 10;
    const QColor color = palette().color(QPalette::Highlight);
    for (int i = 0; i < 12; ++i) {
        const qreal a = (i * 30.0) * M_PI / 180.0;
        QColor dot = color;
        dot.setAlphaF(qreal((i + 12 - fStep) % 12 + 1) / 12.0);
        p.setBrush(dot);
        p.setPen(Qt::NoPen);
        p.drawEllipse(c + QPointF(r * qCos(a), r * qSin(a)), 6, 6);
    }
}

#pragma once

#include <QWidget>
#include <array>
#include <memory>
#include <vector>

#include "imaging/DibSurface.h"
#include "imaging/ImagingPlatform.h"

// The About page's picture: two 128 x 32 pictures cross-faded into each other, back and forth,
// one step every timer tick.
class AnimatedPicture : public QWidget {
    Q_OBJECT

public:
    explicit AnimatedPicture(QWidget* pParent = nullptr);
    ~AnimatedPicture() override;

    // Loads the two embedded pictures and makes the work surface; 0 (and no surfaces) when one
    // cannot be loaded or their sizes differ.
    int LoadPictures(BitmapResources& resources, unsigned nFirst, unsigned nSecond);
    void ReplaceColor(COLORREF crKey, COLORREF crReplacement);
    // The stored "MMX" switch, as the show has it; before LoadPictures.
    void SetUseMmx(bool bUseMmx) { m_bUseMmx = bUseMmx; }
    void StartTimer(int nPeriodMs);
    void StopTimer();
    void Advance();
    // The level a paint uses: the position, folded back above 100.
    int Level() const { return m_nPosition <= 100 ? m_nPosition : 200 - m_nPosition; }

    int m_nPosition = 0;
    int m_nStep = 1;
    std::vector<std::unique_ptr<DibSurface>> m_surfaces;

    QSize sizeHint() const override { return QSize(128, 32); }

protected:
    void timerEvent(QTimerEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;

private:
    int m_nTimerId = 0;
    bool m_bUseMmx = ProcessorHasMmx();
};

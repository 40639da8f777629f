#pragma once
// What lies behind the strip elements of picMarker: the overview of the whole track (its peak
// envelope) in a band across the strip, and the shading of a running loop. It is the
// lowest child of picMarker, so lines, labels, nudge buttons and the other controls of the
// panel always cover it; it never takes the mouse.
//
// Horizontally it follows the strip's own scale: time t lies at t x StripScale twips, so the
// envelope and the mark lines agree, and the envelope ends where the track ends on the strip.

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <vector>

class StripBackdrop : public QWidget {
    Q_OBJECT
public:
    explicit StripBackdrop(QWidget* picMarker);

    // Peaks 0..1, equal stretches of a track of `duration` seconds; empty: no overview.
    void setOverview(std::vector<float> peaks, double duration);
    void clearOverview();
    bool hasOverview() const { return !m_peaks.empty(); }
    void setStripScale(int16_t twipsPerSecond);
    // The band (in picMarker's pixels) where the envelope is drawn.
    void setBand(int top, int height);
    QRect band() const { return m_band; }
    // Shades the strip between two x positions in twips; from >= to shades nothing.
    // The stretch from leadInTwips to fromTwips (a lead-in before the loop) is shaded lighter.
    void setLoopSpan(int fromTwips, int toTwips, int leadInTwips = -1);
    void clearLoopSpan() { setLoopSpan(0, 0); }

    // The track has been played up to this pixel column: the envelope left of it is drawn in
    // the played colours. Negative: nothing played.
    void setPlayedUntil(double x);
    double playedUntil() const { return m_played; }

    // Pixel column of picMarker where a time of the track lies.
    double xOfTime(double seconds) const;

    // Faint ticks across the band at each beat, a little stronger where a bar starts; drawn
    // only where they stand at least kMinTickGap pixels apart. Times in seconds.
    void setBeats(std::vector<double> beats, std::vector<bool> barStarts);
    // Suggested section starts: outlined, unnumbered markers, unlike the ten marks.
    void setSections(std::vector<double> starts);
    const std::vector<double>& sections() const { return m_sections; }
    // The suggested start drawn within `pixels` of column x, if any.
    std::optional<double> sectionNear(double x, double pixels = 4) const;

    static constexpr QRgb kWave = 0xffb7c4da;
    static constexpr QRgb kWaveInLoop = 0xff7f9fd3;
    static constexpr QRgb kLoopShade = 0x2e3a6fc4;
    static constexpr QRgb kWavePlayed = 0xff5d7197;
    static constexpr QRgb kWavePlayedInLoop = 0xff3d5f9e;
    static constexpr QRgb kLeadInShade = 0x163a6fc4;
    static constexpr QRgb kBeatTick = 0x3a44546e;
    static constexpr QRgb kBarTick = 0x7044546e;
    static constexpr QRgb kSectionOutline = 0xff2f7d6b;
    static constexpr double kMinTickGap = 4;

protected:
    void paintEvent(QPaintEvent*) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The envelope in one pair of colours, at the screen's pixel density; drawn again only
    // when the overview, the scale, the band, the loop or the size changes.
    QImage envelope(bool played, double dpr);
    void invalidate();
    // Left edge, in picMarker's pixels, where a played column ends (snapped to device pixels).
    double playedEdge(double dpr) const;

    std::vector<float> m_peaks;
    double m_duration = 0;
    int16_t m_scale = 0;
    QRect m_band;
    int m_loopFrom = 0;
    int m_loopTo = 0;
    double m_played = -1;
    QImage m_unplayedImage;
    QImage m_playedImage;
    int m_leadIn = -1;
    std::vector<double> m_beats;
    std::vector<bool> m_barStarts;
    std::vector<double> m_sections;

    void paintBeats(QPainter& p) const;
    void paintSections(QPainter& p) const;
};

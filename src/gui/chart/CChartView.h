#pragma once
// The bar chart that takes the quote grid's place while the Graph command is on. It keeps no
// data between paints: every paint reads the newest quotes of the view's current symbol, so it
// always follows the symbol grid.

#include <QFrame>

namespace qv::gui {

class CQuovantaView;

class CChartView final : public QFrame {
    Q_OBJECT
public:
    // Repaints whenever the view reports a change of its state (symbol, quotes, portfolio).
    CChartView(const CQuovantaView& view, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const CQuovantaView& view_;
};

} // namespace qv::gui

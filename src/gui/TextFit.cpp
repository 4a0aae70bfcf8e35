#include "TextFit.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>
#include <memory>
#include <vector>

namespace tw::gui {

namespace {

// Drawn text may reach a fraction of a pixel past its measured advance.
constexpr int kTextAllowance = 2;
// A text field gives up at most this share of its width (1 in kFieldShare) to the control before it.
constexpr int kFieldShare = 4;
// Wide enough that no style's smallest button width comes into the padding measured.
constexpr int kWideText = 1000;
// Space kept between a caption that grew and the control after it.
constexpr int kCaptionGap = 6;

// The width a control's text needs, with what the style draws around it, and
// the height of its line; 0 where it has no text.
QSize textNeed(QWidget *control)
{
    control->ensurePolished();
    const QFontMetrics metrics = control->fontMetrics();
    int width = 0;
    if (auto *button = qobject_cast<QPushButton *>(control)) {
        if (!button->text().isEmpty()) {
            QStyleOptionButton option;
            option.initFrom(button);
            option.text = button->text();
            const QSize padded = button->style()->sizeFromContents(QStyle::CT_PushButton, &option,
                                                                   QSize(kWideText, metrics.height()), button);
            width = metrics.size(Qt::TextShowMnemonic, button->text()).width() + padded.width() - kWideText;
        }
    } else if (auto *option = qobject_cast<QAbstractButton *>(control)) { // option buttons, check boxes
        if (!option->text().isEmpty())
            width = option->sizeHint().width();
    } else if (auto *label = qobject_cast<QLabel *>(control)) {
        if (!label->text().isEmpty())
            width = label->sizeHint().width();
    } else if (auto *group = qobject_cast<QGroupBox *>(control)) {
        if (!group->title().isEmpty())
            width = group->minimumSizeHint().width();
    }
    if (width == 0)
        return {};
    // Group boxes take their height from the controls inside.
    const int height = qobject_cast<QGroupBox *>(control) ? 0 : metrics.height();
    return {width + kTextAllowance, height};
}

// A window or group box and the controls laid out in it.
class Area {
public:
    Area(QWidget *holder, QSize given);

    // The narrowest this area can be with every text whole: its given width or more.
    int minimumWidth() const;
    // Places the controls across the width: moved, grown, fields narrowed.
    void placeAcross(int width);
    // Places the controls down: rows below a taller one move down. Returns
    // the area's height: its given height or more.
    int placeDown();
    void apply();

private:
    enum class Kind {
        Fixed,   // keeps its width unless its text needs more
        Field,   // a text field: gives up width to its row, takes spare width
        Stretch, // lists, bars, groups: take spare width, never give any up
    };
    struct Control {
        QWidget *widget = nullptr;
        QRect given;
        QSize need;
        Kind kind = Kind::Fixed;
        std::unique_ptr<Area> inside; // a group box's own controls
        int gap = 0;                  // from the control before it in its row (from the area's edge for the first)
        QRect place;

        int wanted() const { return std::max(given.width(), need.width()); }
        int narrowest() const { return kind == Kind::Field ? given.width() - given.width() / kFieldShare : wanted(); }
    };
    using Row = std::vector<Control *>;

    // The right edge of the row with every control at its wanted width.
    static int wantedRight(const Row &row);
    void placeRow(const Row &row, int right, bool useColumns);
    // The left edge already given to a control of another row whose given
    // left edge was givenLeft; -1 when there is none.
    int columnAt(int givenLeft, const Row &row) const;

    QSize m_given;
    int m_contentRight = 0; // the rightmost edge of the given controls
    std::vector<std::unique_ptr<Control>> m_controls;
    std::vector<Row> m_rows; // top to bottom, each left to right
    std::vector<const Control *> m_placed;
};

Area::Area(QWidget *holder, QSize given) : m_given(given)
{
    const auto children = holder->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget *widget : children) {
        if (widget->isWindow() || widget->isHidden())
            continue;
        auto control = std::make_unique<Control>();
        control->widget = widget;
        control->given = widget->geometry();
        control->need = textNeed(widget);
        if (auto *group = qobject_cast<QGroupBox *>(widget)) {
            control->kind = Kind::Stretch;
            control->inside = std::make_unique<Area>(group, control->given.size());
            control->need.setWidth(std::max(control->need.width(), control->inside->minimumWidth()));
        } else if (qobject_cast<QLineEdit *>(widget)) {
            control->kind = Kind::Field;
        } else if (qobject_cast<QAbstractScrollArea *>(widget) || qobject_cast<QProgressBar *>(widget)) {
            control->kind = Kind::Stretch;
        }
        control->place = control->given;
        m_contentRight = std::max(m_contentRight, control->given.x() + control->given.width());
        m_controls.push_back(std::move(control));
    }
    // Rows: controls whose given spans overlap from top to bottom stand side by side.
    std::vector<Control *> byTop;
    for (const auto &control : m_controls)
        byTop.push_back(control.get());
    std::stable_sort(byTop.begin(), byTop.end(),
                     [](const Control *a, const Control *b) { return a->given.top() < b->given.top(); });
    int rowBottom = 0;
    for (Control *control : byTop) {
        if (m_rows.empty() || control->given.top() >= rowBottom) {
            m_rows.emplace_back();
            rowBottom = control->given.top();
        }
        m_rows.back().push_back(control);
        rowBottom = std::max(rowBottom, control->given.top() + control->given.height());
    }
    for (Row &row : m_rows) {
        std::stable_sort(row.begin(), row.end(),
                         [](const Control *a, const Control *b) { return a->given.left() < b->given.left(); });
        int previousRight = 0;
        const Control *previous = nullptr;
        for (Control *control : row) {
            control->gap = control->given.left() - previousRight;
            if (previous && previous->need.width() > previous->given.width())
                control->gap = std::max(control->gap, kCaptionGap);
            previousRight = control->given.left() + control->given.width();
            previous = control;
        }
    }
}

int Area::wantedRight(const Row &row)
{
    int right = 0;
    for (const Control *control : row)
        right += control->gap + control->wanted();
    return right;
}

int Area::minimumWidth() const
{
    int right = m_contentRight;
    for (const Row &row : m_rows) {
        int x = 0;
        for (const Control *control : row)
            x += control->gap + control->narrowest();
        right = std::max(right, x);
    }
    return m_given.width() + right - m_contentRight;
}

int Area::columnAt(int givenLeft, const Row &row) const
{
    for (const Control *placed : m_placed) {
        if (placed->given.left() == givenLeft && std::find(row.begin(), row.end(), placed) == row.end())
            return placed->place.left();
    }
    return -1;
}

void Area::placeRow(const Row &row, int right, bool useColumns)
{
    std::vector<int> widths;
    for (const Control *control : row)
        widths.push_back(control->wanted());
    const int wanted = wantedRight(row);
    const bool flush = row.back()->given.left() + row.back()->given.width() == m_contentRight;
    if (wanted > right) {
        // Too wide: text fields give up width, left to right.
        int excess = wanted - right;
        for (size_t i = 0; i < row.size() && excess > 0; ++i) {
            const int share = std::min(excess, widths[i] - row[i]->narrowest());
            widths[i] -= share;
            excess -= share;
        }
    } else if (wanted < right && flush) {
        // A row that reached the right edge stays flush with it: fields,
        // lists and groups take the spare width; otherwise controls follow
        // the columns of the rows placed before, or share it equally.
        int spare = right - wanted;
        std::vector<size_t> takers;
        for (size_t i = 0; i < row.size(); ++i) {
            if (row[i]->kind != Kind::Fixed)
                takers.push_back(i);
        }
        if (takers.empty() && useColumns) {
            std::vector<int> followed = widths;
            int left = row.front()->given.left();
            bool inColumns = false;
            int rest = spare;
            for (size_t i = 1; i < row.size(); ++i) {
                int next = left + followed[i - 1] + row[i]->gap;
                const int column = columnAt(row[i]->given.left(), row);
                if (column > next && column - next <= rest) {
                    followed[i - 1] += column - next;
                    rest -= column - next;
                    next = column;
                    inColumns = true;
                }
                left = next;
            }
            if (inColumns) {
                // The last control reaches the right edge.
                followed.back() += rest;
                widths = followed;
                spare = 0;
            }
        }
        if (takers.empty()) {
            for (size_t i = 0; i < row.size(); ++i)
                takers.push_back(i);
        }
        for (size_t k = 0; k < takers.size() && spare > 0; ++k) {
            const int share = k + 1 == takers.size() ? spare : spare / static_cast<int>(takers.size() - k);
            widths[takers[k]] += share;
            spare -= share;
        }
    }
    int x = 0;
    for (size_t i = 0; i < row.size(); ++i) {
        Control *control = row[i];
        x += control->gap;
        control->place.setLeft(x);
        control->place.setWidth(widths[i]);
        x += widths[i];
        m_placed.push_back(control);
    }
}

void Area::placeAcross(int width)
{
    const int right = m_contentRight + width - m_given.width();
    m_placed.clear();
    // Rows that need no share of spare width first: their columns lead.
    std::vector<const Row *> later;
    for (const Row &row : m_rows) {
        bool fixedOnly = true;
        for (const Control *control : row)
            fixedOnly = fixedOnly && control->kind == Kind::Fixed;
        const bool flush = row.back()->given.left() + row.back()->given.width() == m_contentRight;
        if (fixedOnly && row.size() > 1 && wantedRight(row) < right && flush)
            later.push_back(&row);
        else
            placeRow(row, right, false);
    }
    for (const Row *row : later)
        placeRow(*row, right, true);
    for (const auto &control : m_controls) {
        if (control->inside)
            control->inside->placeAcross(control->place.width());
    }
}

int Area::placeDown()
{
    int shift = 0;
    for (const Row &row : m_rows) {
        int growth = 0;
        for (Control *control : row) {
            int height = std::max(control->given.height(), control->need.height());
            if (control->inside)
                height = std::max(height, control->inside->placeDown());
            control->place.moveTop(control->given.top() + shift);
            control->place.setHeight(height);
            growth = std::max(growth, height - control->given.height());
        }
        shift += growth;
    }
    return m_given.height() + shift;
}

void Area::apply()
{
    for (const auto &control : m_controls) {
        if (control->place != control->given)
            control->widget->setGeometry(control->place);
        if (control->inside)
            control->inside->apply();
    }
}

} // namespace

QSize fitToText(QWidget *window, QSize clientSize)
{
    Area area(window, clientSize);
    const int width = area.minimumWidth();
    area.placeAcross(width);
    const int height = area.placeDown();
    area.apply();
    return {width, height};
}

} // namespace tw::gui

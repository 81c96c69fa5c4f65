#include "controls/Skins.h"

#include <QHash>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <functional>

namespace {
// Palette of the artwork.
const QColor kText(64, 64, 64);
const QColor kWhite(255, 255, 255);
const QColor kTipGrey(224, 224, 224);
const QColor kBorder(0xB9, 0xBE, 0xC4);
const QColor kBorderDark(0x98, 0x9E, 0xA5);
const QColor kShade(0xE4, 0xE7, 0xEA);
const QColor kPanelGrey(0xEE, 0xF0, 0xF2);
const QColor kFaceTop(0xFD, 0xFD, 0xFD);
const QColor kFaceBottom(0xE2, 0xE5, 0xE9);
const QColor kPressedTop(0xC9, 0xD6, 0xE6);
const QColor kPressedBottom(0xB6, 0xC7, 0xDC);
const QColor kAccent(0x3B, 0x7D, 0xD8);
const QColor kAccentDark(0x2A, 0x5F, 0xAA);
const QColor kDanger(0xD0, 0x4A, 0x45);
const QColor kDisabled(0xC9, 0xCD, 0xD1);
const QColor kTipFill(0x55, 0x5A, 0x60);
const QColor kTrack(0xF1, 0xF2, 0xF4);
const QColor kTabIdle(0xE6, 0xE9, 0xEC);
const QColor kTabIdleText(0x6E, 0x72, 0x77);

// The skins are drawn for 96 dpi: 9 pt is 12 pixels there.
constexpr int kFontPixels = 12;
// How far a rounded shape is extended past the edge where a neighbouring
// piece continues it (body under the end cap and the other way round).
constexpr qreal kOpenEnd = 24;

using Drawing = std::function<void(QPainter&, int, int)>;

// One piece of artwork: how to draw it, its size at 96 dpi, and the pictures
// made from it so far (one per device pixel ratio, in hundredths).
struct Artwork
{
    int w = 0;
    int h = 0;
    Drawing draw;
    QHash<int, QPixmap> byRatio;
};

QHash<QString, Artwork>& Artworks()
{
    static QHash<QString, Artwork> artworks;
    return artworks;
}

// Which artwork a picture handed out was made from, by the picture's cache
// key (copies share it; a copy someone paints on gets a new one).
QHash<qint64, QString>& Origins()
{
    static QHash<qint64, QString> origins;
    return origins;
}

int RatioKey(qreal ratio)
{
    return qMax(1, qRound(ratio * 100));
}

// The artwork drawn for `ratio` device pixels per pixel: the painter works in
// the 96-dpi pixels the drawing is written in, and every line, curve and
// letter lands on the device pixels themselves.
QPixmap Render(const Artwork& art, qreal ratio)
{
    QImage image(qCeil(art.w * ratio), qCeil(art.h * ratio), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        art.draw(p, art.w, art.h);
    }
    return QPixmap::fromImage(image);
}

QPixmap Cached(const QString& key, int w, int h, const Drawing& draw)
{
    auto it = Artworks().find(key);
    if (it == Artworks().end()) {
        it = Artworks().insert(key, Artwork{w, h, draw, {}});
        const QPixmap picture = Render(it.value(), 1);
        it->byRatio.insert(RatioKey(1), picture);
        Origins().insert(picture.cacheKey(), key);
    }
    return it->byRatio.value(RatioKey(1));
}

QLinearGradient Vertical(qreal top, qreal bottom, const QColor& a, const QColor& b)
{
    QLinearGradient g(0, top, 0, bottom);
    g.setColorAt(0, a);
    g.setColorAt(1, b);
    return g;
}

// A rounded bar piece: the body is open to the right, the cap to the left.
void BarBody(QPainter& p, int w, int h, qreal radius, const QBrush& fill, const QColor& line)
{
    p.setPen(QPen(line, 1));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(0.5, 0.5, w + kOpenEnd, h - 1), radius, radius);
}

void BarCap(QPainter& p, int w, int h, qreal radius, const QBrush& fill, const QColor& line)
{
    p.setPen(QPen(line, 1));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(-kOpenEnd, 0.5, w - 0.5 + kOpenEnd, h - 1), radius, radius);
}

// The face of a push button in look `pressed` inside `r`.
void ButtonFace(QPainter& p, const QRectF& r, bool pressed, qreal radius = 3)
{
    p.setPen(QPen(pressed ? kBorderDark : kBorder, 1));
    p.setBrush(pressed ? Vertical(r.top(), r.bottom(), kPressedTop, kPressedBottom)
                       : Vertical(r.top(), r.bottom(), kFaceTop, kFaceBottom));
    p.drawRoundedRect(r, radius, radius);
}

// Right and bottom edge pieces of a panel: a border line, then a soft shade.
void EdgeColumns(QPainter& p, int w, int h, const QList<QColor>& columns)
{
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int x = 0; x < w && x < columns.size(); ++x)
        p.fillRect(QRect(x, 0, 1, h), columns[x]);
}

void EdgeRows(QPainter& p, int w, int h, const QList<QColor>& rows)
{
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int y = 0; y < h && y < rows.size(); ++y)
        p.fillRect(QRect(0, y, w, 1), rows[y]);
}

// Corner piece: rows and columns meet; what lies outside both is empty.
void EdgeCorner(QPainter& p, int size, const QList<QColor>& lines, const QColor& inside)
{
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const int depth = qMax(x, y);
            p.fillRect(QRect(x, y, 1, 1), depth < lines.size() ? lines[depth] : inside);
        }
}

void PanelTopLeft(QPainter& p, int w, int h, const QColor& fill)
{
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(QRect(0, 0, w, h), fill);
    p.fillRect(QRect(0, 0, w, 1), kBorder);
    p.fillRect(QRect(0, 0, 1, h), kBorder);
}

void Cross(QPainter& p, const QPointF& c, qreal half, const QColor& color, qreal width)
{
    p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(c.x() - half, c.y() - half), QPointF(c.x() + half, c.y() + half));
    p.drawLine(QPointF(c.x() - half, c.y() + half), QPointF(c.x() + half, c.y() - half));
}
}

QFont Skins::TextFont()
{
    QFont font("Arial");
    font.setPixelSize(kFontPixels);
    font.setWeight(QFont::Normal);
    return font;
}

QColor Skins::TextColor() { return kText; }
QColor Skins::White() { return kWhite; }
QColor Skins::TipGrey() { return kTipGrey; }
QColor Skins::BorderColor() { return kBorder; }
QColor Skins::AccentColor() { return kAccent; }

// Frames: the panel carries the top and left border, the edge pieces the
// right and bottom ones, so the frame looks finished at any size.
QPixmap Skins::WhiteFramePanel()
{
    return Cached("whitePanel", 356, 500, [](QPainter& p, int w, int h) { PanelTopLeft(p, w, h, kWhite); });
}
QPixmap Skins::WhiteFrameRight()
{
    return Cached("whiteRight", 2, 500, [](QPainter& p, int w, int h) {
        EdgeColumns(p, w, h, {kBorder, kShade});
        p.fillRect(QRect(0, 0, w, 1), kBorder);
    });
}
QPixmap Skins::WhiteFrameBottom()
{
    return Cached("whiteBottom", 356, 2, [](QPainter& p, int w, int h) {
        EdgeRows(p, w, h, {kBorder, kShade});
        p.fillRect(QRect(0, 0, 1, h), kBorder);
    });
}
QPixmap Skins::WhiteFrameCorner()
{
    return Cached("whiteCorner", 3, 3, [](QPainter& p, int, int) {
        p.setRenderHint(QPainter::Antialiasing, false);
        // The strips end 2 pixels from the edge; the corner closes the border
        // one pixel further in and fills its shade.
        p.fillRect(QRect(0, 0, 1, 1), kWhite);
        p.fillRect(QRect(1, 0, 1, 2), kBorder);
        p.fillRect(QRect(0, 1, 2, 1), kBorder);
        p.fillRect(QRect(2, 0, 1, 3), kShade);
        p.fillRect(QRect(0, 2, 3, 1), kShade);
    });
}

QPixmap Skins::GrayFramePanel()
{
    return Cached("grayPanel", 486, 529, [](QPainter& p, int w, int h) { PanelTopLeft(p, w, h, kPanelGrey); });
}
QPixmap Skins::GrayFrameRight()
{
    return Cached("grayRight", 7, 529, [](QPainter& p, int w, int h) {
        EdgeColumns(p, w, h, {kPanelGrey, kPanelGrey, kPanelGrey, kPanelGrey, kBorder, kShade, QColor(0xF3, 0xF4, 0xF5)});
        p.fillRect(QRect(0, 0, 5, 1), kBorder);
    });
}
QPixmap Skins::GrayFrameBottom()
{
    return Cached("grayBottom", 485, 7, [](QPainter& p, int w, int h) {
        EdgeRows(p, w, h, {kPanelGrey, kPanelGrey, kPanelGrey, kPanelGrey, kBorder, kShade, QColor(0xF3, 0xF4, 0xF5)});
        p.fillRect(QRect(0, 0, 1, 5), kBorder);
    });
}
QPixmap Skins::GrayFrameCorner()
{
    return Cached("grayCorner", 7, 7, [](QPainter& p, int, int) {
        EdgeCorner(p, 7, {kPanelGrey, kPanelGrey, kPanelGrey, kPanelGrey, kBorder, kShade, QColor(0xF3, 0xF4, 0xF5)}, kPanelGrey);
    });
}

QPixmap Skins::CommonButtonBody()
{
    return Cached("buttonBody", 300, 18, [](QPainter& p, int w, int h) {
        BarBody(p, w, h, 4, Vertical(0, h, kFaceTop, kFaceBottom), kBorderDark);
    });
}
QPixmap Skins::CommonButtonCap()
{
    return Cached("buttonCap", 9, 18, [](QPainter& p, int w, int h) {
        BarCap(p, w, h, 4, Vertical(0, h, kFaceTop, kFaceBottom), kBorderDark);
    });
}

QPixmap Skins::AddButton()
{
    return Cached("add", 23, 40, [](QPainter& p, int w, int) {
        for (int look = 0; look < 2; ++look) {
            const qreal top = look * 20;
            const bool pressed = look == 1;
            ButtonFace(p, QRectF(0.5, top + 0.5, w - 1, 19), pressed);
            const QPointF c(w / 2.0 + (pressed ? 0.5 : 0), top + 10 + (pressed ? 0.5 : 0));
            p.setPen(QPen(pressed ? kAccentDark : kAccent, 2, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(c.x() - 4.5, c.y()), QPointF(c.x() + 4.5, c.y()));
            p.drawLine(QPointF(c.x(), c.y() - 4.5), QPointF(c.x(), c.y() + 4.5));
        }
    });
}

QPixmap Skins::FunctionButton()
{
    return Cached("function", 31, 40, [](QPainter& p, int w, int) {
        for (int look = 0; look < 2; ++look) {
            const qreal top = look * 20;
            const bool pressed = look == 1;
            const qreal shift = pressed ? 0.5 : 0;
            ButtonFace(p, QRectF(0.5, top + 0.5, w - 1, 19), pressed);
            p.setPen(QPen(pressed ? kAccentDark : kText, 1.5, Qt::SolidLine, Qt::RoundCap));
            for (int i = 0; i < 3; ++i) {
                const qreal y = top + 6.5 + i * 3.5 + shift;
                p.drawLine(QPointF(6 + shift, y), QPointF(16 + shift, y));
            }
            p.setPen(Qt::NoPen);
            p.setBrush(pressed ? kAccentDark : kText);
            QPolygonF arrow;
            arrow << QPointF(20 + shift, top + 8.5 + shift) << QPointF(26 + shift, top + 8.5 + shift)
                  << QPointF(23 + shift, top + 12 + shift);
            p.drawPolygon(arrow);
        }
    });
}

QPixmap Skins::EditButton()
{
    return Cached("edit", 27, 36, [](QPainter& p, int w, int) {
        for (int look = 0; look < 2; ++look) {
            const qreal top = look * 18;
            const bool pressed = look == 1;
            p.setPen(QPen(pressed ? kAccentDark : kBorder, 1));
            p.setBrush(pressed ? QBrush(kAccent) : QBrush(kWhite));
            p.drawRoundedRect(QRectF(0.5, top + 0.5, w - 1, 17), 3, 3);
            // A pencil at 45 degrees.
            const QColor ink = pressed ? kWhite : kText;
            p.save();
            p.translate(w / 2.0, top + 9);
            p.rotate(-45);
            p.setPen(QPen(ink, 1));
            p.setBrush(pressed ? QBrush(kAccent) : QBrush(kWhite));
            p.drawRect(QRectF(-5, -2, 9, 4));
            QPolygonF tip;
            tip << QPointF(4, -2) << QPointF(7.5, 0) << QPointF(4, 2);
            p.setBrush(ink);
            p.drawPolygon(tip);
            p.drawLine(QPointF(-3, -2), QPointF(-3, 2));
            p.restore();
        }
    });
}

QPixmap Skins::DelButton()
{
    return Cached("del", 16, 48, [](QPainter& p, int, int) {
        for (int look = 0; look < 3; ++look) {
            const qreal top = look * 16;
            const QPointF c(8, top + 8);
            if (look == 0) {
                p.setPen(QPen(kDanger, 1));
                p.setBrush(kWhite);
                p.drawEllipse(c, 6.5, 6.5);
                Cross(p, c, 2.5, kDanger, 1.6);
            } else if (look == 1) {
                p.setPen(QPen(kDanger.darker(120), 1));
                p.setBrush(kDanger);
                p.drawEllipse(c, 6.5, 6.5);
                Cross(p, c, 2.5, kWhite, 1.6);
            } else {
                p.setPen(QPen(kDisabled, 1));
                p.setBrush(kWhite);
                p.drawEllipse(c, 6.5, 6.5);
                Cross(p, c, 2.5, kDisabled, 1.6);
            }
        }
    });
}

QPixmap Skins::CloseButton()
{
    return Cached("close", 11, 22, [](QPainter& p, int, int) {
        for (int look = 0; look < 2; ++look) {
            const qreal top = look * 11;
            if (look == 1) {
                p.setPen(Qt::NoPen);
                p.setBrush(kDanger);
                p.drawRoundedRect(QRectF(0, top, 11, 11), 2, 2);
            }
            Cross(p, QPointF(5.5, top + 5.5), 2.8, look == 1 ? kWhite : kText, 1.4);
        }
    });
}

QPixmap Skins::TextField()
{
    return Cached("text", 300, 19, [](QPainter& p, int w, int h) { BarBody(p, w, h, 3, kWhite, kBorder); });
}
QPixmap Skins::TextFieldCap()
{
    return Cached("textCap", 4, 19, [](QPainter& p, int w, int h) { BarCap(p, w, h, 3, kWhite, kBorder); });
}

QPixmap Skins::SearchField()
{
    return Cached("search", 200, 22, [](QPainter& p, int w, int h) {
        BarBody(p, w, h, 10.5, kWhite, kBorderDark);
        // Magnifying glass in the room left of the text box.
        p.setPen(QPen(kBorderDark.darker(115), 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(10, 10), 4, 4);
        p.setPen(QPen(kBorderDark.darker(115), 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(13, 13), QPointF(16, 16));
    });
}
QPixmap Skins::SearchFieldCap()
{
    return Cached("searchCap", 12, 22, [](QPainter& p, int w, int h) { BarCap(p, w, h, 10.5, kWhite, kBorderDark); });
}

QPixmap Skins::EditPanel()
{
    return Cached("editPanel", 356, 237, [](QPainter& p, int w, int h) { PanelTopLeft(p, w, h, kWhite); });
}
QPixmap Skins::EditPanelRight()
{
    return Cached("editRight", 2, 239, [](QPainter& p, int w, int h) {
        EdgeColumns(p, w, h, {kBorder, kShade});
        p.fillRect(QRect(0, 0, w, 1), kBorder);
    });
}
QPixmap Skins::EditPanelBottom()
{
    return Cached("editBottom", 356, 2, [](QPainter& p, int w, int h) {
        EdgeRows(p, w, h, {kBorder, kShade});
        p.fillRect(QRect(0, 0, 1, h), kBorder);
    });
}
QPixmap Skins::EditPanelCorner()
{
    return Cached("editCorner", 3, 3, [](QPainter& p, int, int) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(QRect(0, 0, 1, 1), kWhite);
        p.fillRect(QRect(1, 0, 1, 2), kBorder);
        p.fillRect(QRect(0, 1, 2, 1), kBorder);
        p.fillRect(QRect(2, 0, 1, 3), kShade);
        p.fillRect(QRect(0, 2, 3, 1), kShade);
    });
}

QPixmap Skins::TipBody()
{
    return Cached("tip", 100, 17, [](QPainter& p, int w, int h) {
        p.fillRect(QRect(0, 0, w, h), kWhite);
        BarBody(p, w, h, 8, kTipFill, kTipFill);
    });
}
QPixmap Skins::TipCap()
{
    return Cached("tipCap", 8, 17, [](QPainter& p, int w, int h) {
        p.fillRect(QRect(0, 0, w, h), kWhite);
        BarCap(p, w, h, 8, kTipFill, kTipFill);
    });
}

QPixmap Skins::CheckMark()
{
    return Cached("check", 14, 30, [](QPainter& p, int, int) {
        for (int look = 0; look < 2; ++look) {
            const qreal top = look * 15;
            const QRectF box(0.5, top + 1.5, 12, 12);
            if (look == 0) {
                p.setPen(QPen(kBorderDark, 1));
                p.setBrush(kWhite);
                p.drawRoundedRect(box, 2, 2);
            } else {
                p.setPen(QPen(kAccentDark, 1));
                p.setBrush(kAccent);
                p.drawRoundedRect(box, 2, 2);
                p.setPen(QPen(kWhite, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                QPolygonF tick;
                tick << QPointF(3.5, top + 7.5) << QPointF(5.8, top + 10) << QPointF(10, top + 4.8);
                p.setBrush(Qt::NoBrush);
                p.drawPolyline(tick);
            }
        }
    });
}

QPixmap Skins::RadioMark()
{
    return Cached("radio", 14, 28, [](QPainter& p, int, int) {
        for (int look = 0; look < 2; ++look) {
            const QPointF c(6.5, look * 14 + 7);
            p.setPen(QPen(look ? kAccentDark : kBorderDark, 1));
            p.setBrush(kWhite);
            p.drawEllipse(c, 6, 6);
            if (look) {
                p.setPen(Qt::NoPen);
                p.setBrush(kAccent);
                p.drawEllipse(c, 3.2, 3.2);
            }
        }
    });
}

QPixmap Skins::ListField()
{
    return Cached("list", 300, 18, [](QPainter& p, int w, int h) {
        p.fillRect(QRect(0, 0, w, h), kWhite);
        BarBody(p, w, h, 3, kWhite, kBorder);
    });
}
QPixmap Skins::ListArrow()
{
    return Cached("listArrow", 18, 18, [](QPainter& p, int w, int h) {
        p.fillRect(QRect(0, 0, w, h), kWhite);
        BarCap(p, w, h, 3, Vertical(0, h, kFaceTop, kFaceBottom), kBorder);
        p.setPen(QPen(kBorder, 1));
        p.drawLine(QPointF(0.5, 1), QPointF(0.5, h - 1));
        p.setPen(Qt::NoPen);
        p.setBrush(kText);
        QPolygonF arrow;
        arrow << QPointF(5.5, 7.5) << QPointF(12.5, 7.5) << QPointF(9, 11.5);
        p.drawPolygon(arrow);
    });
}

QPixmap Skins::ScrollTrack()
{
    return Cached("track", 16, 600, [](QPainter& p, int w, int h) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(QRect(0, 0, w, h), kTrack);
        p.fillRect(QRect(0, 0, 1, h), kShade);
        p.fillRect(QRect(w - 1, 0, 1, h), kShade);
    });
}

namespace {
QLinearGradient ThumbFill(int w)
{
    QLinearGradient g(0, 0, w, 0);
    g.setColorAt(0, kFaceTop);
    g.setColorAt(1, kFaceBottom);
    return g;
}
}

QPixmap Skins::ScrollThumb()
{
    return Cached("thumb", 16, 209, [](QPainter& p, int w, int h) {
        p.setPen(QPen(kBorderDark, 1));
        p.setBrush(ThumbFill(w));
        p.drawRoundedRect(QRectF(1.5, 0.5, w - 3, h + kOpenEnd), 5, 5);
        // Grip lines in the middle of the part that shows (the thumb is
        // shown 2000 twips, about 133 pixels, high).
        p.setPen(QPen(kBorderDark, 1));
        for (int i = 0; i < 3; ++i)
            p.drawLine(QPointF(5, 62.5 + i * 3), QPointF(w - 5, 62.5 + i * 3));
    });
}
QPixmap Skins::ScrollThumbCap()
{
    return Cached("thumbCap", 16, 10, [](QPainter& p, int w, int h) {
        p.setPen(QPen(kBorderDark, 1));
        p.setBrush(ThumbFill(w));
        p.drawRoundedRect(QRectF(1.5, -kOpenEnd, w - 3, h - 1 + kOpenEnd), 5, 5);
    });
}

QPixmap Skins::TabStrip()
{
    return Cached("tabs", 201, 66, [](QPainter& p, int w, int) {
        struct Tab { qreal left, right; const char* title; };
        const Tab tabs[3] = {{1, 78, "Snippets"}, {80, 149, "Options"}, {151, 200, "About"}};
        constexpr qreal kLook = 22;
        QFont font = TextFont();
        p.setFont(font);
        for (int look = 0; look < 3; ++look) {
            const qreal top = look * kLook;
            p.setRenderHint(QPainter::Antialiasing, false);
            p.fillRect(QRectF(0, top + kLook - 1, w, 1), kBorder);
            p.setRenderHint(QPainter::Antialiasing, true);
            auto drawTab = [&](const Tab& tab, bool selected) {
                const qreal y = top + (selected ? 0.5 : 3.5);
                QPainterPath path;
                path.addRoundedRect(QRectF(tab.left + 0.5, y, tab.right - tab.left - 1, top + kLook + 4 - y), 4, 4);
                p.save();
                p.setClipRect(QRectF(0, top, w, kLook - (selected ? 0 : 1)));
                p.setPen(QPen(kBorder, 1));
                p.setBrush(selected ? kWhite : kTabIdle);
                p.drawPath(path);
                p.setPen(selected ? kText : kTabIdleText);
                p.drawText(QRectF(tab.left, y + (selected ? 2 : 0), tab.right - tab.left, kLook - 4),
                           Qt::AlignCenter, QString::fromLatin1(tab.title));
                if (selected) {
                    p.setPen(QPen(kAccent, 2));
                    p.drawLine(QPointF(tab.left + 4, y + 0.5), QPointF(tab.right - 4, y + 0.5));
                }
                p.restore();
            };
            for (int i = 0; i < 3; ++i)
                if (i != look)
                    drawTab(tabs[i], false);
            drawTab(tabs[look], true);
        }
    });
}

QPixmap Skins::ToolboxIcon(const QString& controlName)
{
    return Cached("icon:" + controlName, 16, 15, [controlName](QPainter& p, int w, int h) {
        QString letters = controlName.startsWith("QK") ? controlName.mid(2) : controlName;
        QString initials;
        for (QChar c : letters)
            if (c.isUpper() && initials.size() < 2)
                initials += c;
        p.setPen(QPen(kBorderDark, 1));
        p.setBrush(kPanelGrey);
        p.drawRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), 2, 2);
        QFont font("Arial");
        font.setPixelSize(8);
        font.setBold(true);
        p.setFont(font);
        p.setPen(kAccentDark);
        p.drawText(QRectF(0, 0, w, h), Qt::AlignCenter, initials);
    });
}

QPixmap Skins::ForRatio(const QPixmap& picture, qreal ratio)
{
    const int wanted = RatioKey(ratio);
    if (wanted == RatioKey(1) || picture.isNull())
        return picture;
    const auto origin = Origins().constFind(picture.cacheKey());
    if (origin == Origins().constEnd())
        return picture;
    Artwork& art = Artworks()[origin.value()];
    auto it = art.byRatio.find(wanted);
    if (it == art.byRatio.end())
        it = art.byRatio.insert(wanted, Render(art, ratio));
    return it.value();
}

void Skins::DrawPicture(QPainter& painter, const QPointF& at, const QPixmap& picture)
{
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1;
    painter.drawPixmap(at, ForRatio(picture, ratio));
}

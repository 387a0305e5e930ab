// The 16x16 toolbar pictures of the Menu Creator, drawn at start-up so the
// program carries no image files for them.
#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/font.h>
#include <wx/image.h>

#include <utility>
#include <vector>

#include "menucreator/ui/menu_creator_dialog.h"

namespace rondivo::menucreator {

namespace {

void letter(wxDC& dc, const wxString& text, int weight, wxFontStyle style, bool underline,
            const wxColour& c) {
    wxFont f(wxFontInfo(11)
                 .Family(wxFONTFAMILY_ROMAN)
                 .Weight(weight)
                 .Style(style)
                 .Underlined(underline));
    dc.SetFont(f);
    dc.SetTextForeground(c);
    wxSize s = dc.GetTextExtent(text);
    dc.DrawText(text, (16 - s.x) / 2, (16 - s.y) / 2);
}

void lines(wxDC& dc, int align) {  // 0 left, 1 centre, 2 right
    dc.SetPen(wxPen(wxColour(20, 20, 20)));
    const int widths[] = {12, 8, 12, 6, 10};
    for (int i = 0; i < 5; ++i) {
        int w = widths[i];
        int x = align == 0 ? 2 : align == 1 ? (16 - w) / 2 : 14 - w;
        dc.DrawLine(x, 3 + i * 2 + i / 2, x + w, 3 + i * 2 + i / 2);
    }
}

void picture(wxDC& dc, const wxColour& sky) {
    dc.SetPen(wxPen(wxColour(60, 60, 60)));
    dc.SetBrush(wxBrush(sky));
    dc.DrawRectangle(1, 2, 14, 12);
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(wxColour(40, 150, 40)));
    wxPoint hill[] = {{2, 13}, {7, 7}, {10, 10}, {12, 8}, {14, 13}};
    dc.DrawPolygon(5, hill);
    dc.SetBrush(wxBrush(wxColour(250, 210, 0)));
    dc.DrawCircle(11, 5, 2);
}

void swatch(wxDC& dc, const wxColour& c) {
    dc.SetPen(wxPen(wxColour(40, 40, 40)));
    dc.SetBrush(wxBrush(c));
    dc.DrawRectangle(1, 12, 14, 4);
}

wxColour ink() {
    return {20, 20, 20};
}
wxColour blue() {
    return {40, 80, 200};
}
wxColour red() {
    return {200, 30, 30};
}

struct IconDrawing {
    int id;
    void (*draw)(wxDC&);
};

// The pictures by icon number, in toolbar order.
const IconDrawing kIcons[] = {
    {174,  // page title
     [](wxDC& dc) {
         dc.SetPen(wxPen(blue()));
         dc.SetBrush(wxBrush(wxColour(200, 215, 255)));
         dc.DrawRectangle(0, 1, 16, 5);
         dc.SetPen(wxPen(wxColour(120, 120, 120)));
         dc.SetBrush(*wxWHITE_BRUSH);
         dc.DrawRectangle(0, 5, 16, 10);
     }},
    {173,  // background image
     [](wxDC& dc) {
         picture(dc, wxColour(150, 190, 255));
         dc.SetPen(wxPen(ink()));
         dc.SetBrush(*wxTRANSPARENT_BRUSH);
         dc.DrawRectangle(0, 0, 16, 16);
     }},
    {158, [](wxDC& dc) { picture(dc, wxColour(170, 210, 255)); }},  // image
    {157,                                                           // hyperlink: two chain links
     [](wxDC& dc) {
         dc.SetPen(wxPen(blue(), 2));
         dc.SetBrush(*wxTRANSPARENT_BRUSH);
         dc.DrawRoundedRectangle(1, 5, 8, 6, 3);
         dc.DrawRoundedRectangle(7, 5, 8, 6, 3);
     }},
    {175,  // text box
     [](wxDC& dc) {
         dc.SetPen(wxPen(wxColour(100, 100, 100), 1, wxPENSTYLE_DOT));
         dc.SetBrush(*wxTRANSPARENT_BRUSH);
         dc.DrawRectangle(0, 1, 16, 14);
         letter(dc, "A", wxFONTWEIGHT_BOLD, wxFONTSTYLE_NORMAL, false, ink());
     }},
    {171,  // text colour
     [](wxDC& dc) {
         letter(dc, "A", wxFONTWEIGHT_BOLD, wxFONTSTYLE_NORMAL, false, ink());
         swatch(dc, red());
     }},
    {172,  // background colour: a paint bucket over a swatch
     [](wxDC& dc) {
         dc.SetPen(wxPen(ink()));
         dc.SetBrush(wxBrush(wxColour(230, 230, 230)));
         dc.DrawRectangle(4, 2, 8, 8);
         swatch(dc, wxColour(255, 220, 0));
     }},
    {186,  // music: a note
     [](wxDC& dc) {
         dc.SetPen(wxPen(ink(), 2));
         dc.DrawLine(10, 2, 10, 12);
         dc.DrawLine(10, 2, 14, 4);
         dc.SetBrush(wxBrush(ink()));
         dc.DrawEllipse(4, 10, 7, 5);
     }},
    {199,  // movie: film strip
     [](wxDC& dc) {
         dc.SetPen(*wxTRANSPARENT_PEN);
         dc.SetBrush(wxBrush(wxColour(50, 50, 50)));
         dc.DrawRectangle(1, 2, 14, 12);
         dc.SetBrush(*wxWHITE_BRUSH);
         for (int y = 3; y < 14; y += 3) {
             dc.DrawRectangle(2, y, 2, 2);
             dc.DrawRectangle(12, y, 2, 2);
         }
         dc.SetBrush(wxBrush(wxColour(120, 170, 255)));
         dc.DrawRectangle(5, 4, 6, 8);
     }},
    {164, [](wxDC& dc) { lines(dc, 0); }},
    {163, [](wxDC& dc) { lines(dc, 1); }},
    {165, [](wxDC& dc) { lines(dc, 2); }},
    {166,  // free move: four arrows
     [](wxDC& dc) {
         dc.SetPen(wxPen(ink(), 2));
         dc.DrawLine(8, 1, 8, 15);
         dc.DrawLine(1, 8, 15, 8);
         dc.SetBrush(wxBrush(ink()));
         dc.SetPen(wxPen(ink()));
         wxPoint up[] = {{8, 0}, {5, 3}, {11, 3}}, down[] = {{8, 15}, {5, 12}, {11, 12}};
         wxPoint left[] = {{0, 8}, {3, 5}, {3, 11}}, right[] = {{15, 8}, {12, 5}, {12, 11}};
         for (wxPoint* arrow : {up, down, left, right}) dc.DrawPolygon(3, arrow);
     }},
    {180,
     [](wxDC& dc) { letter(dc, "F", wxFONTWEIGHT_NORMAL, wxFONTSTYLE_ITALIC, false, blue()); }},
    {167, [](wxDC& dc) { letter(dc, "B", wxFONTWEIGHT_BOLD, wxFONTSTYLE_NORMAL, false, ink()); }},
    {168, [](wxDC& dc) { letter(dc, "I", wxFONTWEIGHT_NORMAL, wxFONTSTYLE_ITALIC, false, ink()); }},
    {169, [](wxDC& dc) { letter(dc, "U", wxFONTWEIGHT_NORMAL, wxFONTSTYLE_NORMAL, true, ink()); }},
    {159,  // save: a floppy disk
     [](wxDC& dc) {
         dc.SetPen(wxPen(ink()));
         dc.SetBrush(wxBrush(wxColour(60, 90, 170)));
         dc.DrawRectangle(1, 1, 14, 14);
         dc.SetBrush(*wxWHITE_BRUSH);
         dc.DrawRectangle(4, 1, 8, 5);
         dc.SetBrush(wxBrush(wxColour(200, 200, 200)));
         dc.DrawRectangle(3, 9, 10, 6);
     }},
    {161,  // open: a folder
     [](wxDC& dc) {
         dc.SetPen(wxPen(wxColour(150, 110, 0)));
         dc.SetBrush(wxBrush(wxColour(250, 210, 90)));
         dc.DrawRectangle(1, 4, 14, 10);
         dc.DrawRectangle(1, 2, 6, 3);
     }},
    {185,  // help
     [](wxDC& dc) {
         dc.SetPen(wxPen(blue()));
         dc.SetBrush(wxBrush(blue()));
         dc.DrawCircle(8, 8, 7);
         letter(dc, "?", wxFONTWEIGHT_BOLD, wxFONTSTYLE_NORMAL, false, *wxWHITE);
     }},
    {162,  // preview: play triangle
     [](wxDC& dc) {
         dc.SetPen(wxPen(wxColour(0, 120, 0)));
         dc.SetBrush(wxBrush(wxColour(30, 170, 30)));
         wxPoint play[] = {{3, 2}, {14, 8}, {3, 14}};
         dc.DrawPolygon(3, play);
     }},
    {178,  // stop preview
     [](wxDC& dc) {
         dc.SetPen(wxPen(wxColour(130, 0, 0)));
         dc.SetBrush(wxBrush(red()));
         dc.DrawRectangle(2, 2, 12, 12);
     }},
};

void drawIcon(wxDC& dc, int iconId) {
    for (const IconDrawing& d : kIcons)
        if (d.id == iconId) d.draw(dc);
}

// White reaching the edge is background: transparent, so the icon sits on
// whatever the toolbar's theme paints; white inside a shape stays.
wxImage withTransparentEdges(const wxBitmap& bmp) {
    wxImage img = bmp.ConvertToImage();
    img.InitAlpha();
    std::vector<std::pair<int, int>> todo;
    for (int i = 0; i < 16; ++i) todo.insert(todo.end(), {{i, 0}, {i, 15}, {0, i}, {15, i}});
    while (!todo.empty()) {
        auto [x, y] = todo.back();
        todo.pop_back();
        if (x < 0 || y < 0 || x > 15 || y > 15 || img.GetAlpha(x, y) == 0) continue;
        if (img.GetRed(x, y) != 255 || img.GetGreen(x, y) != 255 || img.GetBlue(x, y) != 255)
            continue;
        img.SetAlpha(x, y, 0);
        todo.insert(todo.end(), {{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}});
    }
    return img;
}

}  // namespace

wxBitmap toolbarIcon(int iconId) {
    wxBitmap bmp(16, 16, 24);
    wxMemoryDC dc(bmp);
    dc.SetBackground(*wxWHITE_BRUSH);
    dc.Clear();
    drawIcon(dc, iconId);
    dc.SelectObject(wxNullBitmap);
    return wxBitmap(withTransparentEdges(bmp));
}

}  // namespace rondivo::menucreator

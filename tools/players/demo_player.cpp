// The demo show: a full-screen night sky with a starfield flying toward the viewer, a few glowing
// orbs drifting slowly, and the name in the centre. It ends on a key press, a mouse button, a real
// mouse move, WM_CLOSE or WM_QUIT, with exit code 0.
#include <windows.h>
#include <windowsx.h>

#include <math.h>
#include <string.h>

namespace {

const char kClassName[] = "LumivexDemoPlayer";
const char kTitle[] = "Lumivex demo";
const char kWord[] = "LUMIVEX";
const char kTagline[] = "a quiet night for your screen";
const UINT_PTR kTimerId = 1;
const UINT kFrameMs = 33;
const int kMoveSlack = 8;       // pixels the cursor may wander before the show ends
const DWORD kSettleMs = 500;    // mouse moves this soon after the window shows are not the user's
const int kStarCount = 420;
const int kSkyStarCount = 700;
const int kOrbCount = 5;
const int kGlowMargin = 48;     // room around the word for its glow
const int kBlurRadius = 14;

struct Star {
    float x, y, z;              // z in (0, 1]: 1 is far away, toward 0 is close to the viewer
    int tint;                   // index into kStarTints
};

struct Orb {
    float baseX, baseY;         // centre, as fractions of the screen
    float ampX, ampY;           // drift, as fractions of the screen
    float freqX, freqY;         // drift speed, radians per frame
    float phaseX, phaseY;
    float radius;               // as a fraction of the screen height
    int r, g, b;
};

// A back buffer or a picture: a 32-bit top-down DIB section selected into its own memory DC.
struct Surface {
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ oldBitmap;
    DWORD* pixels;              // 0x00RRGGBB
    int width, height;
};

const COLORREF kStarTints[] = {RGB(255, 255, 255), RGB(200, 220, 255), RGB(255, 236, 200), RGB(220, 200, 255)};
const int kStarTintCount = sizeof(kStarTints) / sizeof(kStarTints[0]);

// Process-wide state.
int g_width = 0;
int g_height = 0;
Surface g_sky = {};             // the still background, drawn once
Surface g_back = {};            // the frame being drawn
HFONT g_font = nullptr;         // the word
HFONT g_tagFont = nullptr;      // the line under it
int g_spacing = 0;              // extra room between the letters of the word
int g_tagX = 0, g_tagY = 0;
int g_wordX = 0, g_wordY = 0;   // where TextOutA puts the word
BYTE* g_glow = nullptr;         // blurred copy of the word, one byte a pixel
int g_glowX = 0, g_glowY = 0, g_glowW = 0, g_glowH = 0;
Star g_stars[kStarCount];
Orb g_orbs[kOrbCount];
BYTE g_orbShape[1024];          // orb brightness by squared distance from its centre
unsigned g_frame = 0;
unsigned g_seed = 0x1234567u;
DWORD g_shownAt = 0;
bool g_haveMouse = false;
POINT g_firstMouse = {0, 0};

// ---- Small helpers -----------------------------------------------------------------------------

unsigned nextRandom() {
    g_seed ^= g_seed << 13;
    g_seed ^= g_seed >> 17;
    g_seed ^= g_seed << 5;
    return g_seed;
}

// A float in [0, 1).
float randomUnit() {
    return static_cast<float>(nextRandom() & 0xFFFFFFu) / 16777216.0f;
}

float randomRange(float low, float high) {
    return low + (high - low) * randomUnit();
}

int clampByte(int value) {
    return value < 0 ? 0 : (value > 255 ? 255 : value);
}

int clampByte(float value) {
    return clampByte(static_cast<int>(value));
}

DWORD packColour(int r, int g, int b) {
    return static_cast<DWORD>((clampByte(r) << 16) | (clampByte(g) << 8) | clampByte(b));
}

// Adds a colour scaled by amount/255 to one pixel, saturating.
void addPixel(DWORD* pixel, int r, int g, int b, int amount) {
    DWORD old = *pixel;
    int nr = static_cast<int>((old >> 16) & 0xFF) + r * amount / 255;
    int ng = static_cast<int>((old >> 8) & 0xFF) + g * amount / 255;
    int nb = static_cast<int>(old & 0xFF) + b * amount / 255;
    *pixel = packColour(nr, ng, nb);
}

bool createSurface(HDC screen, int width, int height, Surface* surface) {
    BITMAPINFO info;
    memset(&info, 0, sizeof(info));
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr) {
        return false;
    }
    HDC dc = CreateCompatibleDC(screen);
    if (dc == nullptr) {
        DeleteObject(bitmap);
        return false;
    }
    surface->dc = dc;
    surface->bitmap = bitmap;
    surface->oldBitmap = SelectObject(dc, bitmap);
    surface->pixels = static_cast<DWORD*>(bits);
    surface->width = width;
    surface->height = height;
    return true;
}

void destroySurface(Surface* surface) {
    if (surface->dc != nullptr) {
        SelectObject(surface->dc, surface->oldBitmap);
        DeleteDC(surface->dc);
    }
    if (surface->bitmap != nullptr) {
        DeleteObject(surface->bitmap);
    }
    memset(surface, 0, sizeof(*surface));
}

// ---- Value noise for the nebula ----------------------------------------------------------------

float hashNoise(int x, int y) {
    unsigned h = static_cast<unsigned>(x) * 374761393u + static_cast<unsigned>(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return static_cast<float>(h & 0xFFFFu) / 65535.0f;
}

float smoothNoise(float x, float y) {
    float fx = floorf(x);
    float fy = floorf(y);
    int ix = static_cast<int>(fx);
    int iy = static_cast<int>(fy);
    float tx = x - fx;
    float ty = y - fy;
    tx = tx * tx * (3.0f - 2.0f * tx);
    ty = ty * ty * (3.0f - 2.0f * ty);
    float top = hashNoise(ix, iy) + (hashNoise(ix + 1, iy) - hashNoise(ix, iy)) * tx;
    float bottom = hashNoise(ix, iy + 1) + (hashNoise(ix + 1, iy + 1) - hashNoise(ix, iy + 1)) * tx;
    return top + (bottom - top) * ty;
}

float cloudNoise(float x, float y) {
    float sum = 0.0f;
    float scale = 1.0f;
    float weight = 0.5f;
    for (int octave = 0; octave < 5; ++octave) {
        sum += weight * smoothNoise(x * scale, y * scale);
        scale *= 2.0f;
        weight *= 0.5f;
    }
    return sum;
}

// ---- The still sky -----------------------------------------------------------------------------

// Deep blue at the top to violet at the bottom, a faint band of nebula across it, and distant stars.
void drawSky() {
    const int w = g_sky.width;
    const int h = g_sky.height;
    const float unit = 1.0f / static_cast<float>(h);
    for (int y = 0; y < h; ++y) {
        float t = static_cast<float>(y) * unit;
        float skyR = 4.0f + 62.0f * t * t;
        float skyG = 6.0f + 14.0f * t;
        float skyB = 30.0f + 70.0f * t;
        DWORD* row = g_sky.pixels + static_cast<size_t>(y) * static_cast<size_t>(w);
        for (int x = 0; x < w; ++x) {
            float u = static_cast<float>(x) * unit;
            // A diagonal band, like the Milky Way, where the clouds show.
            float band = (u * 0.55f - t) + 0.15f;
            float bandWeight = expf(-band * band * 9.0f);
            float cloud = cloudNoise(u * 3.0f + 7.3f, t * 3.0f + 1.9f);
            float mist = cloud - 0.35f;
            if (mist < 0.0f) {
                mist = 0.0f;
            }
            mist *= bandWeight * 1.6f;
            float pink = cloudNoise(u * 2.0f + 31.0f, t * 2.0f + 11.0f);
            float r = skyR + mist * (60.0f + 70.0f * pink);
            float g = skyG + mist * 30.0f;
            float b = skyB + mist * (110.0f - 40.0f * pink);
            // A little dither keeps the gradient free of bands.
            float dither = hashNoise(x, y + 9999) - 0.5f;
            row[x] = packColour(clampByte(r + dither), clampByte(g + dither), clampByte(b + dither));
        }
    }
    for (int i = 0; i < kSkyStarCount; ++i) {
        int x = static_cast<int>(randomUnit() * static_cast<float>(w));
        int y = static_cast<int>(randomUnit() * static_cast<float>(h));
        float bright = randomUnit();
        bright = bright * bright * bright;
        int amount = 40 + static_cast<int>(bright * 215.0f);
        COLORREF tint = kStarTints[nextRandom() % kStarTintCount];
        addPixel(&g_sky.pixels[y * w + x], GetRValue(tint), GetGValue(tint), GetBValue(tint), amount);
        if (bright > 0.45f && x > 0 && y > 0 && x + 1 < w && y + 1 < h) {
            int soft = amount / 3;
            addPixel(&g_sky.pixels[y * w + x - 1], GetRValue(tint), GetGValue(tint), GetBValue(tint), soft);
            addPixel(&g_sky.pixels[y * w + x + 1], GetRValue(tint), GetGValue(tint), GetBValue(tint), soft);
            addPixel(&g_sky.pixels[(y - 1) * w + x], GetRValue(tint), GetGValue(tint), GetBValue(tint), soft);
            addPixel(&g_sky.pixels[(y + 1) * w + x], GetRValue(tint), GetGValue(tint), GetBValue(tint), soft);
        }
    }
}

// ---- The word and its glow ---------------------------------------------------------------------

// The first of a few pleasant faces that the system has, big and bold.
HFONT createWordFont(HDC dc, int height, int weight) {
    const char* const faces[] = {"Segoe UI", "Verdana", "Tahoma", "DejaVu Sans", "Arial"};
    for (const char* face : faces) {
        HFONT font = CreateFontA(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_TT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH | FF_SWISS, face);
        if (font == nullptr) {
            continue;
        }
        HGDIOBJ old = SelectObject(dc, font);
        char got[LF_FACESIZE] = "";
        GetTextFaceA(dc, LF_FACESIZE, got);
        SelectObject(dc, old);
        if (lstrcmpiA(got, face) == 0) {
            return font;
        }
        DeleteObject(font);
    }
    return CreateFontA(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_TT_PRECIS,
                       CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH | FF_SWISS, nullptr);
}

// One pass of a box blur along rows (step 1) or columns (step = width), from source into target.
void boxBlur(const BYTE* source, BYTE* target, int lines, int length, int lineStep, int step, int radius) {
    const int span = 2 * radius + 1;
    for (int line = 0; line < lines; ++line) {
        const BYTE* in = source + line * lineStep;
        BYTE* out = target + line * lineStep;
        int sum = 0;
        for (int i = -radius; i <= radius; ++i) {
            int k = i < 0 ? 0 : (i >= length ? length - 1 : i);
            sum += in[k * step];
        }
        for (int i = 0; i < length; ++i) {
            out[i * step] = static_cast<BYTE>(sum / span);
            int add = i + radius + 1;
            int drop = i - radius;
            sum += in[(add >= length ? length - 1 : add) * step];
            sum -= in[(drop < 0 ? 0 : drop) * step];
        }
    }
}

// Places the word in the centre and makes its glow: the word drawn white on black, then blurred.
bool prepareWord(HDC screen) {
    int height = g_height / 6 < g_width / 8 ? g_height / 6 : g_width / 8;
    g_spacing = height / 12;
    g_font = createWordFont(screen, height, FW_BOLD);
    g_tagFont = createWordFont(screen, height / 7, FW_NORMAL);
    if (g_font == nullptr || g_tagFont == nullptr) {
        return false;
    }
    HGDIOBJ oldFont = SelectObject(g_back.dc, g_font);
    SetTextCharacterExtra(g_back.dc, g_spacing);
    SIZE extent = {0, 0};
    GetTextExtentPoint32A(g_back.dc, kWord, lstrlenA(kWord), &extent);
    SelectObject(g_back.dc, g_tagFont);
    SetTextCharacterExtra(g_back.dc, g_spacing / 2);
    SIZE tagExtent = {0, 0};
    GetTextExtentPoint32A(g_back.dc, kTagline, lstrlenA(kTagline), &tagExtent);
    SelectObject(g_back.dc, oldFont);
    g_wordX = (g_width - extent.cx) / 2;
    g_wordY = (g_height - extent.cy) / 2;
    g_tagX = (g_width - tagExtent.cx) / 2;
    g_tagY = g_wordY + extent.cy + height / 10;

    g_glowX = g_wordX - kGlowMargin;
    g_glowY = g_wordY - kGlowMargin;
    g_glowW = extent.cx + 2 * kGlowMargin;
    g_glowH = extent.cy + 2 * kGlowMargin;
    Surface mask = {};
    if (!createSurface(screen, g_glowW, g_glowH, &mask)) {
        return false;
    }
    HANDLE heap = GetProcessHeap();
    const size_t count = static_cast<size_t>(g_glowW) * static_cast<size_t>(g_glowH);
    g_glow = static_cast<BYTE*>(HeapAlloc(heap, 0, count));
    BYTE* scratch = static_cast<BYTE*>(HeapAlloc(heap, 0, count));
    bool ok = g_glow != nullptr && scratch != nullptr;
    if (ok) {
        RECT all = {0, 0, g_glowW, g_glowH};
        FillRect(mask.dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        HGDIOBJ old = SelectObject(mask.dc, g_font);
        SetTextCharacterExtra(mask.dc, g_spacing);
        SetBkMode(mask.dc, TRANSPARENT);
        SetTextColor(mask.dc, RGB(255, 255, 255));
        TextOutA(mask.dc, kGlowMargin, kGlowMargin, kWord, lstrlenA(kWord));
        SelectObject(mask.dc, old);
        GdiFlush();
        for (size_t i = 0; i < count; ++i) {
            g_glow[i] = static_cast<BYTE>(mask.pixels[i] & 0xFF);
        }
        for (int pass = 0; pass < 3; ++pass) {
            boxBlur(g_glow, scratch, g_glowH, g_glowW, g_glowW, 1, kBlurRadius);
            boxBlur(scratch, g_glow, g_glowW, g_glowH, 1, g_glowW, kBlurRadius);
        }
    }
    if (scratch != nullptr) {
        HeapFree(heap, 0, scratch);
    }
    destroySurface(&mask);
    return ok;
}

// ---- The moving parts --------------------------------------------------------------------------

void placeStar(Star* star, bool anywhere) {
    do {
        star->x = randomRange(-1.0f, 1.0f);
        star->y = randomRange(-1.0f, 1.0f);
    } while (star->x * star->x + star->y * star->y < 0.004f);
    star->z = anywhere ? randomRange(0.05f, 1.0f) : 1.0f;
    star->tint = static_cast<int>(nextRandom() % kStarTintCount);
}

void setUpScene() {
    for (int i = 0; i < kStarCount; ++i) {
        placeStar(&g_stars[i], true);
    }
    static const int colours[kOrbCount][3] = {
        {90, 160, 255}, {230, 90, 210}, {255, 170, 90}, {80, 220, 200}, {170, 120, 255}};
    for (int i = 0; i < kOrbCount; ++i) {
        Orb* orb = &g_orbs[i];
        orb->baseX = 0.15f + 0.7f * static_cast<float>(i) / static_cast<float>(kOrbCount - 1);
        orb->baseY = randomRange(0.25f, 0.75f);
        orb->ampX = randomRange(0.08f, 0.16f);
        orb->ampY = randomRange(0.10f, 0.22f);
        orb->freqX = randomRange(0.004f, 0.009f);
        orb->freqY = randomRange(0.003f, 0.008f);
        orb->phaseX = randomRange(0.0f, 6.28f);
        orb->phaseY = randomRange(0.0f, 6.28f);
        orb->radius = randomRange(0.09f, 0.17f);
        orb->r = colours[i][0];
        orb->g = colours[i][1];
        orb->b = colours[i][2];
    }
    // Soft halo fading to the edge, a brighter body, and a bright rim near the edge of the body.
    for (int i = 0; i < 1024; ++i) {
        float d = sqrtf(static_cast<float>(i) / 1023.0f);
        float halo = (1.0f - d) * (1.0f - d) * 0.55f;
        float body = d < 0.5f ? 0.22f : (d < 0.56f ? 0.22f * (0.56f - d) / 0.06f : 0.0f);
        float rim = expf(-(d - 0.5f) * (d - 0.5f) * 900.0f) * 0.18f;
        float core = expf(-d * d * 30.0f) * 0.35f;
        g_orbShape[i] = static_cast<BYTE>(clampByte((halo + body + rim + core) * 255.0f));
    }
}

void drawOrb(const Orb& orb, float time) {
    const float w = static_cast<float>(g_width);
    const float h = static_cast<float>(g_height);
    int cx = static_cast<int>(w * (orb.baseX + orb.ampX * sinf(orb.freqX * time + orb.phaseX)));
    int cy = static_cast<int>(h * (orb.baseY + orb.ampY * sinf(orb.freqY * time + orb.phaseY)));
    int radius = static_cast<int>(h * orb.radius);
    // Breathes a little.
    int strength = 150 + static_cast<int>(50.0f * sinf(time * 0.02f + orb.phaseX));
    const int r2 = radius * radius;
    for (int y = cy - radius; y <= cy + radius; ++y) {
        if (y < 0 || y >= g_height) {
            continue;
        }
        const int dy = y - cy;
        DWORD* row = g_back.pixels + static_cast<size_t>(y) * static_cast<size_t>(g_width);
        for (int x = cx - radius; x <= cx + radius; ++x) {
            if (x < 0 || x >= g_width) {
                continue;
            }
            const int dx = x - cx;
            const int d2 = dx * dx + dy * dy;
            if (d2 >= r2) {
                continue;
            }
            int amount = g_orbShape[static_cast<long long>(d2) * 1023 / r2] * strength / 255;
            if (amount > 0) {
                addPixel(&row[x], orb.r, orb.g, orb.b, amount);
            }
        }
    }
}

void drawGlow(float time) {
    int strength = 170 + static_cast<int>(60.0f * sinf(time * 0.05f));
    for (int y = 0; y < g_glowH; ++y) {
        int sy = g_glowY + y;
        if (sy < 0 || sy >= g_height) {
            continue;
        }
        const BYTE* in = g_glow + static_cast<size_t>(y) * static_cast<size_t>(g_glowW);
        DWORD* row = g_back.pixels + static_cast<size_t>(sy) * static_cast<size_t>(g_width);
        for (int x = 0; x < g_glowW; ++x) {
            int sx = g_glowX + x;
            if (sx < 0 || sx >= g_width || in[x] == 0) {
                continue;
            }
            addPixel(&row[sx], 150, 110, 255, in[x] * strength / 255);
        }
    }
}

// Projects a point of the starfield onto the screen.
POINT projectStar(float x, float y, float z, float turn) {
    const float focal = static_cast<float>(g_width) * 0.35f;
    const float c = cosf(turn);
    const float s = sinf(turn);
    POINT p;
    p.x = g_width / 2 + static_cast<int>((x * c - y * s) / z * focal);
    p.y = g_height / 2 + static_cast<int>((x * s + y * c) / z * focal);
    return p;
}

// The sky's colour at a point with a star's light added to it.
COLORREF skyPlus(POINT at, COLORREF tint, int amount) {
    int x = at.x < 0 ? 0 : (at.x >= g_width ? g_width - 1 : at.x);
    int y = at.y < 0 ? 0 : (at.y >= g_height ? g_height - 1 : at.y);
    DWORD pixel = g_sky.pixels[static_cast<size_t>(y) * static_cast<size_t>(g_width) + static_cast<size_t>(x)];
    addPixel(&pixel, GetRValue(tint), GetGValue(tint), GetBValue(tint), amount);
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

void drawStars(float time) {
    const float speed = 0.0065f;
    const float turn = time * 0.0008f;
    HDC dc = g_back.dc;
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(DC_PEN));
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(DC_BRUSH));
    for (int i = 0; i < kStarCount; ++i) {
        Star* star = &g_stars[i];
        star->z -= speed;
        POINT head = projectStar(star->x, star->y, star->z, turn);
        if (star->z < 0.03f || head.x < -20 || head.y < -20 || head.x > g_width + 20 || head.y > g_height + 20) {
            placeStar(star, false);
            continue;
        }
        POINT tail = projectStar(star->x, star->y, star->z + speed * 5.0f, turn);
        float nearness = 1.0f - star->z;
        int bright = clampByte(nearness * nearness * 300.0f);
        COLORREF tint = kStarTints[star->tint];
        // Light added to the sky behind, so that faint stars and trails never darken it.
        POINT middle = {(head.x + tail.x) / 2, (head.y + tail.y) / 2};
        SetDCPenColor(dc, skyPlus(middle, tint, bright / 2));
        MoveToEx(dc, tail.x, tail.y, nullptr);
        LineTo(dc, head.x, head.y);
        COLORREF colour = skyPlus(head, tint, bright);
        int size = static_cast<int>(nearness * nearness * 4.0f);
        SetDCPenColor(dc, colour);
        SetDCBrushColor(dc, colour);
        if (size >= 1) {
            Ellipse(dc, head.x - size, head.y - size, head.x + size + 1, head.y + size + 1);
        } else {
            SetPixel(dc, head.x, head.y, colour);
        }
    }
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
}

void drawWord() {
    HDC dc = g_back.dc;
    HGDIOBJ oldFont = SelectObject(dc, g_font);
    SetTextCharacterExtra(dc, g_spacing);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(224, 216, 252));
    TextOutA(dc, g_wordX, g_wordY, kWord, lstrlenA(kWord));
    SelectObject(dc, g_tagFont);
    SetTextCharacterExtra(dc, g_spacing / 2);
    SetTextColor(dc, RGB(170, 160, 220));
    TextOutA(dc, g_tagX, g_tagY, kTagline, lstrlenA(kTagline));
    SelectObject(dc, oldFont);
}

// One frame into the back buffer: sky, stars, orbs over them, then the word and its glow.
void drawFrame() {
    const float time = static_cast<float>(g_frame);
    memcpy(g_back.pixels, g_sky.pixels, static_cast<size_t>(g_width) * static_cast<size_t>(g_height) * 4);
    drawStars(time);
    GdiFlush();
    for (int i = 0; i < kOrbCount; ++i) {
        drawOrb(g_orbs[i], time);
    }
    drawGlow(time);
    drawWord();
    GdiFlush();
}

void showFrame(HWND window) {
    HDC dc = GetDC(window);
    if (dc != nullptr) {
        BitBlt(dc, 0, 0, g_width, g_height, g_back.dc, 0, 0, SRCCOPY);
        ReleaseDC(window, dc);
    }
}

// Ends on real mouse movement: more than kMoveSlack pixels (|dx| + |dy|) from the first position seen.
// The moves that come with the window appearing are left out: they may carry a stale position
// (Wine reports where it last saw the cursor, which need not be where it is).
bool mouseMovedEnough(LPARAM lParam) {
    if (GetTickCount() - g_shownAt < kSettleMs) {
        return false;
    }
    POINT at = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (!g_haveMouse) {
        g_haveMouse = true;
        g_firstMouse = at;
        return false;
    }
    int dx = at.x - g_firstMouse.x;
    int dy = at.y - g_firstMouse.y;
    return (dx < 0 ? -dx : dx) + (dy < 0 ? -dy : dy) > kMoveSlack;
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        SetTimer(window, kTimerId, kFrameMs, nullptr);
        return 0;
    case WM_TIMER:
        if (wParam == kTimerId) {
            ++g_frame;
            drawFrame();
            showFrame(window);
        }
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        BitBlt(dc, 0, 0, g_width, g_height, g_back.dc, 0, 0, SRCCOPY);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_SETCURSOR:
        SetCursor(nullptr);
        return TRUE;
    case WM_MOUSEMOVE:
        if (mouseMovedEnough(lParam)) {
            DestroyWindow(window);
        }
        return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
    case WM_CLOSE:
    case WM_QUIT:  // only when sent rather than posted; a posted one ends the message loop
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        KillTimer(window, kTimerId);
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    g_width = GetSystemMetrics(SM_CXSCREEN);
    g_height = GetSystemMetrics(SM_CYSCREEN);
    if (g_width <= 0 || g_height <= 0) {
        return 1;
    }

    HDC screen = GetDC(nullptr);
    bool ready = screen != nullptr && createSurface(screen, g_width, g_height, &g_sky) &&
                 createSurface(screen, g_width, g_height, &g_back) && prepareWord(screen);
    if (screen != nullptr) {
        ReleaseDC(nullptr, screen);
    }
    int result = 1;
    if (ready) {
        drawSky();
        setUpScene();
        drawFrame();

        WNDCLASSA windowClass;
        memset(&windowClass, 0, sizeof(windowClass));
        windowClass.lpfnWndProc = windowProc;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = kClassName;
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        if (RegisterClassA(&windowClass) != 0) {
            HWND window = CreateWindowExA(WS_EX_TOPMOST, kClassName, kTitle, WS_POPUP, 0, 0, g_width, g_height,
                                          nullptr, nullptr, instance, nullptr);
            if (window != nullptr) {
                ShowCursor(FALSE);
                g_shownAt = GetTickCount();
                ShowWindow(window, SW_SHOW);
                UpdateWindow(window);
                SetForegroundWindow(window);
                MSG msg;
                while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
                    TranslateMessage(&msg);
                    DispatchMessageA(&msg);
                }
                if (IsWindow(window)) {
                    DestroyWindow(window);
                }
                ShowCursor(TRUE);
                result = 0;
            }
            UnregisterClassA(kClassName, instance);
        }
    }
    if (g_font != nullptr) {
        DeleteObject(g_font);
    }
    if (g_tagFont != nullptr) {
        DeleteObject(g_tagFont);
    }
    if (g_glow != nullptr) {
        HeapFree(GetProcessHeap(), 0, g_glow);
    }
    destroySurface(&g_back);
    destroySurface(&g_sky);
    return result;
}

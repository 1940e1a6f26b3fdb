// Where the minimised dialog draws its icon: centred in the client area, rounding as the
// signed integer division of the platform does (toward zero).
#pragma once

struct IconOrigin {
    int x;
    int y;
};

constexpr IconOrigin CenteredIconOrigin(int clientWidth, int clientHeight, int iconWidth,
                                        int iconHeight) {
    return {(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}

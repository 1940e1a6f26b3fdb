#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "afx/handles.h"

namespace {

// A kind of handle whose close calls are recorded instead of made.
std::vector<int> g_closed;
struct RecordedTraits {
    using Handle = int;
    static Handle Empty() { return -1; }
    static void Close(Handle h) { g_closed.push_back(h); }
};
using RecordedHandle = afx::UniqueHandle<RecordedTraits>;

TEST(UniqueHandleTest, EachHandleIsClosedOnceByItsLastOwner) {
    g_closed.clear();
    {
        RecordedHandle a(1), b(2), empty;
        RecordedHandle moved(std::move(a));
        EXPECT_FALSE(a);
        b = std::move(moved);  // 2 goes now, 1 passes to b
        EXPECT_EQ(g_closed, std::vector<int>{2});
        RecordedHandle& same = b;
        b = std::move(same);
        EXPECT_EQ(b.get(), 1);
        RecordedHandle given(3);
        EXPECT_EQ(given.release(), 3);
        RecordedHandle zero(0);  // a valid handle of this kind, unlike the empty value
        EXPECT_TRUE(zero);
    }
    EXPECT_EQ(g_closed, (std::vector<int>{2, 0, 1}));
}

// COM state of a thread: S_FALSE from a second initialisation means it is still initialised.
HRESULT InitialiseAgain(DWORD model) {
    HRESULT hr = ::CoInitializeEx(nullptr, model);
    if (SUCCEEDED(hr)) ::CoUninitialize();
    return hr;
}

TEST(ComApartmentTest, BalancesOnlyTheInitialisationsThatTook) {
    std::thread([] {
        {
            afx::UniqueComApartment apartment = afx::EnterComApartment();
            EXPECT_TRUE(apartment);
        }
        EXPECT_EQ(InitialiseAgain(COINIT_APARTMENTTHREADED), S_OK);  // left uninitialised

        ASSERT_EQ(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        {
            afx::UniqueComApartment nested = afx::EnterComApartment();  // S_FALSE, counted
            EXPECT_TRUE(nested);
        }
        EXPECT_EQ(InitialiseAgain(COINIT_APARTMENTTHREADED), S_FALSE);
        ::CoUninitialize();

        // A thread already in the multi-threaded apartment refuses: nothing to balance.
        ASSERT_EQ(::CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        {
            afx::UniqueComApartment refused = afx::EnterComApartment();
            EXPECT_FALSE(refused);
        }
        EXPECT_EQ(InitialiseAgain(COINIT_MULTITHREADED), S_FALSE);
        ::CoUninitialize();
    }).join();
}

}  // namespace

// The one description of a form's elements, and its lifetime.
#include "Elements.h"

#include "Form.h"

#include <climits>
#include <new>

namespace win {

namespace {

// The gap between two boxes along a direction; negative when `to` is not wholly beyond
// `from` that way.
long GapBeyond(const RECT& from, const RECT& to, Elements::Direction direction) {
    switch (direction) {
    case Elements::Direction::Up:
        return from.top - to.bottom;
    case Elements::Direction::Down:
        return to.top - from.bottom;
    case Elements::Direction::Left:
        return from.left - to.right;
    case Elements::Direction::Right:
        break;
    }
    return to.left - from.right;
}

} // namespace

Elements::Elements(Form& form) : form_(form), children_(form.ReadingOrder()) {
    // The caption is fixed; read here, on the form's thread, it needs no message later.
    wchar_t caption[256] = {};
    GetWindowTextW(form.Handle(), caption, 256);
    caption_ = caption;
}

HWND Elements::Window() const { return form_.Handle(); }

Elements::Role Elements::RoleOf(long id) const {
    // The notice is a dialog, as a message box is: readers then read its texts aloud as it
    // comes up, not just its caption.
    if (id == kSelf) return Role::Dialog;
    switch (Child(id).Describe().role) {
    case Description::Graphic:
        return Role::Graphic;
    case Description::Link:
        return Role::Link;
    case Description::Text:
        break;
    }
    return Role::Text;
}

const wchar_t* Elements::Name(long id) const {
    return id == kSelf ? caption_.c_str() : Child(id).Describe().name;
}

const wchar_t* Elements::Value(long id) const {
    return id == kSelf ? nullptr : Child(id).Describe().value;
}

bool Elements::HasAction(long id) const {
    return id != kSelf && static_cast<bool>(Child(id).OnClick);
}

const wchar_t* Elements::AutomationId(long id) const {
    return id == kSelf ? form_.Name : Child(id).Name;
}

RECT Elements::ScreenBox(long id) const {
    RECT box{};
    if (id == kSelf)
        GetClientRect(Window(), &box);
    else
        box = Child(id).BoundsRect();
    MapWindowPoints(Window(), nullptr, reinterpret_cast<POINT*>(&box), 2);
    return box;
}

Elements::State Elements::StateOf(long id) const {
    const HWND window = Window();
    State state{};
    state.unavailable = !IsWindowEnabled(window);
    state.invisible = !IsWindowVisible(window) || IsIconic(window);
    RECT client{}, visible{};
    GetClientRect(window, &client);
    state.offscreen = !state.invisible && id != kSelf &&
                      !IntersectRect(&visible, &client, &Child(id).BoundsRect());
    return state;
}

long Elements::Nearest(long id, Direction direction) const {
    const RECT& from = Child(id).BoundsRect();
    long best = 0, bestGap = LONG_MAX;
    for (long other = 1; other <= Count(); ++other) {
        const long gap = GapBeyond(from, Child(other).BoundsRect(), direction);
        if (other != id && gap >= 0 && gap < bestGap) {
            best = other;
            bestGap = gap;
        }
    }
    return best;
}

long Elements::At(POINT screen) const {
    const HWND window = Window();
    ScreenToClient(window, &screen);
    RECT client{};
    GetClientRect(window, &client);
    if (!PtInRect(&client, screen)) return -1;
    const TControl* hit = form_.ControlAt(screen);
    for (long id = 1; id <= Count(); ++id)
        if (&Child(id) == hit) return id;
    return kSelf;
}

Elements::Action Elements::DoAction(long id) const {
    if (!HasAction(id)) return Action::Failed;
    switch (form_.PostClick(Child(id))) {
    case Form::Click::Posted:
        return Action::Done;
    case Form::Click::WindowDisabled:
        return Action::NotEnabled;
    case Form::Click::NotPosted:
        break;
    }
    return Action::Failed;
}

SharedElements* SharedElements::Create(Form& form) noexcept {
    SharedElements* shared = new (std::nothrow) SharedElements(form);
    if (shared && !shared->elements_) {
        shared->Release();
        return nullptr;
    }
    return shared;
}

SharedElements::SharedElements(Form& form) {
    InitializeCriticalSection(&lock_);
    try {
        elements_.reset(new Elements(form));
    } catch (...) {
        // Out of memory: Create gives null, and the reader gets the system's answer.
    }
}

SharedElements::~SharedElements() { DeleteCriticalSection(&lock_); }

void SharedElements::Release() {
    if (InterlockedDecrement(&references_) == 0) delete this;
}

void SharedElements::CutOff() {
    EnterCriticalSection(&lock_);
    elements_.reset();
    LeaveCriticalSection(&lock_);
}

SharedElements::Access::Access(SharedElements& shared) : shared_(shared) {
    EnterCriticalSection(&shared_.lock_);
    elements_ = shared_.elements_.get();
}

SharedElements::Access::~Access() { LeaveCriticalSection(&shared_.lock_); }

} // namespace win

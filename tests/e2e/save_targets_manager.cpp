// A clipboard manager that saves the clipboard only when its owner asks, as some desktops' settings
// daemons do: it owns CLIPBOARD_MANAGER, and on a SAVE_TARGETS request (what a program sends as it
// exits) it fetches the clipboard's text, takes the clipboard over and serves the text from then
// on. It never watches the clipboard by itself, so a program that does not ask loses its text.
//
// Usage: save_targets_manager [--silent]   (the display comes from DISPLAY)
//   --silent  owns CLIPBOARD_MANAGER but never answers, like a manager that hangs
// Prints "ready" once it owns CLIPBOARD_MANAGER and "saved N" after saving N bytes; runs until
// it is killed.

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

namespace {

struct Atoms {
    Atom manager, saveTargets, clipboard, targets, utf8, text, incr, transfer;
};

Atoms internAtoms(Display* display) {
    auto atom = [display](const char* name) { return XInternAtom(display, name, False); };
    return {atom("CLIPBOARD_MANAGER"), atom("SAVE_TARGETS"), atom("CLIPBOARD"), atom("TARGETS"),
            atom("UTF8_STRING"),       atom("TEXT"),         atom("INCR"),      atom("ZELVO_TRANSFER")};
}

// Reads and deletes the property; nothing when it is missing.
std::optional<std::string> takeProperty(Display* display, Window window, Atom property, Atom* type) {
    std::string value;
    long offset = 0;
    for (;;) {
        Atom actualType = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, window, property, offset, 1 << 20, False, AnyPropertyType,
                               &actualType, &format, &count, &remaining, &data) != Success ||
            actualType == None) {
            return std::nullopt;
        }
        const unsigned long bytes = count * static_cast<unsigned long>(format / 8);
        value.append(reinterpret_cast<const char*>(data), bytes);
        XFree(data);
        *type = actualType;
        offset += static_cast<long>(bytes / 4);
        if (remaining == 0) {
            break;
        }
    }
    XDeleteProperty(display, window, property);
    return value;
}

void nextEventOfType(Display* display, int type, XEvent* event) {
    do {
        XNextEvent(display, event);
    } while (event->type != type);
}

// The clipboard's UTF8_STRING, transferred whole or in INCR pieces; empty when the owner refuses.
std::string fetchClipboardText(Display* display, Window window, const Atoms& atoms) {
    XConvertSelection(display, atoms.clipboard, atoms.utf8, atoms.transfer, window, CurrentTime);
    XEvent event;
    nextEventOfType(display, SelectionNotify, &event);
    if (event.xselection.property == None) {
        return {};
    }
    Atom type = None;
    std::string text = takeProperty(display, window, atoms.transfer, &type).value_or("");
    if (type != atoms.incr) {
        return text;
    }
    // INCR: the owner writes one piece after each deletion, and an empty piece at the end.
    text.clear();
    for (;;) {
        do {
            nextEventOfType(display, PropertyNotify, &event);
        } while (event.xproperty.atom != atoms.transfer || event.xproperty.state != PropertyNewValue);
        const std::string piece = takeProperty(display, window, atoms.transfer, &type).value_or("");
        if (piece.empty()) {
            return text;
        }
        text += piece;
    }
}

void reply(Display* display, const XSelectionRequestEvent& request, Atom property) {
    XEvent notify{};
    notify.xselection.type = SelectionNotify;
    notify.xselection.requestor = request.requestor;
    notify.xselection.selection = request.selection;
    notify.xselection.target = request.target;
    notify.xselection.property = property;
    notify.xselection.time = request.time;
    XSendEvent(display, request.requestor, False, NoEventMask, &notify);
    XFlush(display);
}

// Answers a request for the clipboard that this manager now holds.
void serveClipboard(Display* display, const XSelectionRequestEvent& request, const Atoms& atoms,
                    const std::string& saved) {
    // Old clients leave the property None and mean the target's name.
    const Atom property = request.property != None ? request.property : request.target;
    if (request.target == atoms.targets) {
        const Atom offered[] = {atoms.targets, atoms.utf8, atoms.text, XA_STRING};
        XChangeProperty(display, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(offered), 4);
    } else if (request.target == atoms.utf8 || request.target == atoms.text || request.target == XA_STRING) {
        XChangeProperty(display, request.requestor, property, atoms.utf8, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(saved.data()), static_cast<int>(saved.size()));
    } else {
        reply(display, request, None);
        return;
    }
    reply(display, request, property);
}

}  // namespace

int main(int argc, char** argv) {
    const bool silent = argc > 1 && std::strcmp(argv[1], "--silent") == 0;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "cannot open the display\n");
        return 1;
    }
    const Atoms atoms = internAtoms(display);
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(display, window, PropertyChangeMask);
    XSetSelectionOwner(display, atoms.manager, window, CurrentTime);
    if (XGetSelectionOwner(display, atoms.manager) != window) {
        std::fprintf(stderr, "another clipboard manager runs\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);

    std::string saved;
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != SelectionRequest || silent) {
            continue;
        }
        const XSelectionRequestEvent& request = event.xselectionrequest;
        if (request.selection == atoms.manager && request.target == atoms.saveTargets) {
            saved = fetchClipboardText(display, window, atoms);
            XSetSelectionOwner(display, atoms.clipboard, window, CurrentTime);
            std::printf("saved %zu\n", saved.size());
            std::fflush(stdout);
            reply(display, request, request.property);
        } else if (request.selection == atoms.clipboard && request.owner == window) {
            serveClipboard(display, request, atoms, saved);
        } else {
            reply(display, request, None);
        }
    }
}

// Test sessions only: lets the tests call org.gnome.Shell.Eval and Screenshot.
class Extension {
    enable() {
        global.context.unsafe_mode = true;
    }

    disable() {
        global.context.unsafe_mode = false;
    }
}

function init() {
    return new Extension();
}

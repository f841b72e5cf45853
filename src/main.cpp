#include "App/OstavelApp.h"

int main(int argc, char** argv)
{
    OstavelApp::selectPlatform();
    OstavelApp app(argc, argv);
    return app.run();
}

#include "App/OstavelApp.h"

int main(int argc, char** argv)
{
    OstavelApp::prepareEnvironment();
    OstavelApp app(argc, argv);
    return app.run();
}

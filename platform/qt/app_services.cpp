#include "platform/qt/app_services.h"

namespace vos {

AppServices& appServices() {
    static AppServices services;
    return services;
}

}  // namespace vos

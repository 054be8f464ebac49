#include "values/front_end_services.h"

namespace morvu {

FRONT_END_SERVICES front_end_services;

}  // namespace morvu

#include "maintenance/MaintenanceOutcome.h"

#include "database/DatabaseErrors.h"
#include "maintenance/MaintenanceMessages.h"

namespace MaintenanceOutcome {

MaintenanceResult failed(int error, const QString& detail, const Message& failureMessage)
{
    MaintenanceResult result;
    result.error = error == DatabaseError::None ? DatabaseError::ReservedError : error;
    result.message = MaintenanceMessages::inUse(error).value_or(failureMessage);
    result.detail = detail;
    return result;
}

MaintenanceResult succeeded(const Message& message)
{
    MaintenanceResult result;
    result.succeeded = true;
    result.message = message;
    return result;
}

} // namespace MaintenanceOutcome

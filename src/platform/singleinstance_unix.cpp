#include "platform/singleinstance.h"

#include <unistd.h>

QByteArray SingleInstance::userIdentity()
{
    return QByteArray::number(qulonglong(::getuid()));
}

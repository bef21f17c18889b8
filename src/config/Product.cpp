#include "Product.h"

#include "Clock.h"

namespace Product {
QString makerLine()
{
    return QStringLiteral("© %1 %2. Tous droits réservés.").arg(Clock::today().year()).arg(makerFolder);
}
} // namespace Product

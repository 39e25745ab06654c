#include "platform/libreoffice/OfficeQuestions.h"

#include <com/sun/star/task/ErrorCodeRequest.hpp>
#include <com/sun/star/task/PasswordRequest.hpp>
#include <com/sun/star/task/XInteractionAbort.hpp>

namespace platform::office {

namespace {

// The office's error codes that mean a password stands in the way: its PowerPoint import's
// "password encrypted PowerPoint documents cannot be opened" and "wrong password" (area Svx,
// class Read and none, codes 17 and 15), compared without the warning and dynamic bits.
constexpr sal_Int32 ErrorCodeBits = 0x03ffffff;
constexpr sal_Int32 EncryptedPowerPoint = (8 << 13) | (11 << 8) | 17;
constexpr sal_Int32 WrongPassword = (8 << 13) | 15;

bool asksForPassword(const uno::Any& request) {
    if (request.isExtractableTo(cppu::UnoType<task::PasswordRequest>::get()))
        return true;
    task::ErrorCodeRequest error;
    if (!(request >>= error))
        return false;
    const sal_Int32 code = error.ErrCode & ErrorCodeBits;
    return code == EncryptedPowerPoint || code == WrongPassword;
}

}  // namespace

void OfficeQuestions::handle(const Reference<task::XInteractionRequest>& request) {
    if (!request.is())
        return;
    if (asksForPassword(request->getRequest()))
        askedForPassword_ = true;
    for (const Reference<task::XInteractionContinuation>& answer : request->getContinuations()) {
        const Reference<task::XInteractionAbort> abort(answer, UNO_QUERY);
        if (abort.is()) {
            abort->select();
            return;
        }
    }
}

}  // namespace platform::office

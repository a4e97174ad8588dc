#include "module/ServerKeys.h"

#include "module/FactoryTemplate.h"
#include "win/HResult.h"
#include "win/ServerKeys.h"

HRESULT WriteServerKeys(const wchar_t* modulePath, bool registering)
{
    for (size_t i = 0; i < factoryTemplateCount; ++i) {
        const FactoryTemplate& row = factoryTemplates[i];
        RETURN_IF_FAILED(registering
                             ? win::RegisterServerKey(HKEY_CLASSES_ROOT, *row.classId, row.name, modulePath, L"Both",
                                                     L"InprocServer32")
                             : win::UnregisterServerKey(HKEY_CLASSES_ROOT, *row.classId));
    }
    return S_OK;
}

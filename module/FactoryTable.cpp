#include "module/FactoryTemplate.h"

#include "filter/CameraFilter.h"
#include "filter/LumoraGuids.h"
#include "module/CameraFilterSetup.h"
#include "pages/FormatPage.h"
#include "pages/PropertyPage.h"

const FactoryTemplate factoryTemplates[] = {
    {kCameraFilterName, &CLSID_LumoraCameraFilter, &CreateCameraFilter, &cameraFilterSetup},
    {L"Property Page", &CLSID_CameraSettingsPage, &CreatePropertyPage, nullptr},
    {L"Format Page", &CLSID_FormatPage, &CreateFormatPage, nullptr},
};

const size_t factoryTemplateCount = sizeof(factoryTemplates) / sizeof(factoryTemplates[0]);

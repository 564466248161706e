#include "host/plugin_instance.h"

#include "dsp/factory_bands.h"

// The editor opens on the band the factory list marks as selected.
PluginInstance::PluginInstance(HostCallback callback) : hostCallback(callback) {
    editor.selectedBand = factoryBandList(0).selectedBand;
}

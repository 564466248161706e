-- Drives headless Ardour 7 (ardour7-lua, Dummy backend) for tests/ardour/ardour_test.sh.
-- One step per run, named by the first argument:
--
--   signal DIR SECONDS
--       creates the session DIR (48 kHz) with a stereo track "Signal" whose playlist holds
--       SECONDS of pink noise: Ardour's own noise generator, bounced to a region on disk,
--       so that every later step and every copy of the session plays the same samples
--   insert DIR TYPE EXPORT INDEX=VALUE...
--       inserts Tolvane-Q (TYPE LXVST or VST3) on the track, sets the parameters (VALUE
--       normalised, 0..1), connects
--       the track to the master bus, exports the region's extent to EXPORT (a .wav path)
--       and saves
--   reopen DIR TYPE EXPORT INDEX=VALUE...
--       loads the saved session, checks that the plug-in came back with the given
--       parameter values and that the track still feeds the master bus, exports, saves
--
-- Ardour 7.3's Lua API can't import audio headless (importing is the editor's job), which
-- is why the test signal is made and bounced inside the session.
--
-- Each step ends by printing "ardour-step-ok <step>"; a failed check raises an error, which
-- makes ardour7-lua exit non-zero.

local RATE = 48000
-- A saved parameter comes back through the plug-in's float: allow for that rounding only.
local PARAM_TOLERANCE = 1e-6

local step = arg[1]

local function fail(message)
    error("ardour-step-failed " .. tostring(step) .. ": " .. message, 0)
end

local function check(condition, message)
    if not condition then
        fail(message)
    end
end

local function session_name(dir)
    return dir:match("([^/]+)/*$")
end

local function the_track()
    local tracks = Session:get_tracks():table()
    check(#tracks == 1, "expected one track, found " .. #tracks)
    local track = tracks[1]:to_track()
    check(not track:isnil(), "the route is not a track")
    return track
end

local function region_extent(track)
    local regions = track:playlist():region_list():table()
    check(#regions == 1, "expected one region on the track, found " .. #regions)
    local r = regions[1]
    local first = r:position():samples()
    return first, first + r:length():samples()
end

local function plugin_type(name)
    if name == "LXVST" then
        return ARDOUR.PluginType.LXVST
    elseif name == "VST3" then
        return ARDOUR.PluginType.VST3
    end
    fail("unknown plug-in type " .. tostring(name))
end

-- INDEX=VALUE arguments from position `from` on, as a list of {index, value}.
local function parameter_arguments(from)
    local params = {}
    for i = from, #arg do
        local index, value = arg[i]:match("^(%d+)=([-%d.eE+]+)$")
        check(index ~= nil, "bad parameter argument '" .. arg[i] .. "'")
        params[#params + 1] = { tonumber(index), tonumber(value) }
    end
    return params
end

local function tolvane_on(track)
    local found = nil
    local i = 0
    while true do
        local proc = track:nth_plugin(i)
        if proc:isnil() then
            break
        end
        if proc:display_name() == "Tolvane-Q" then
            check(found == nil, "Tolvane-Q is on the track more than once")
            found = proc
        end
        i = i + 1
    end
    return found
end

-- Ardour sets and reads a plug-in's parameters in its plain units: a VST 3 plug-in's as
-- its controller maps them (Output Trim in dB, the percentages from 0 to 100), a VST 2.4
-- plug-in's from 0 to 1. The steps take and check normalised values, as VST 2.4 has them,
-- so that both builds get the same settings; the parameters are linear in their ranges.
local function parameter_range(proc, index)
    local plugin = proc:to_insert():plugin(0)
    local _, refs = plugin:get_parameter_descriptor(index, ARDOUR.ParameterDescriptor())
    local desc = refs[2]
    check(desc.upper > desc.lower, "parameter " .. index .. " has an empty range")
    return desc.lower, desc.upper
end

local function set_normalised(proc, index, normalised)
    local lower, upper = parameter_range(proc, index)
    check(ARDOUR.LuaAPI.set_processor_param(proc, index, lower + normalised * (upper - lower)),
        "cannot set parameter " .. index)
end

local function normalised_value(proc, index)
    -- get_processor_param returns the value and a table holding the ok flag.
    local value, refs = ARDOUR.LuaAPI.get_processor_param(proc, index, true)
    check(refs == nil or refs[3] ~= false, "cannot read parameter " .. index)
    local lower, upper = parameter_range(proc, index)
    return (value - lower) / (upper - lower), value
end

local function print_parameters(proc)
    local plugin = proc:to_insert():plugin(0)
    for i = 0, plugin:parameter_count() - 1 do
        if plugin:parameter_is_input(i) and plugin:parameter_is_control(i) then
            local normalised, plain = normalised_value(proc, i)
            print(string.format("parameter %d %-16s %.6f (%.4f in Ardour's units)", i,
                plugin:parameter_label(i), normalised, plain))
        end
    end
end

local function check_parameters(proc, params, what)
    for _, p in ipairs(params) do
        local value = normalised_value(proc, p[1])
        check(math.abs(value - p[2]) <= PARAM_TOLERANCE,
            string.format("parameter %d %s %.6f, wanted %.6f", p[1], what, value, p[2]))
    end
end

-- The master bus's inputs fed by the track's outputs, port by port. Auto-connect runs on
-- a thread of its own and a session saved right after a track is made can come back
-- unconnected, so the connection is made here, explicitly, and checked.
local function connect_to_master(track)
    local outs = track:output()
    local master_in = Session:master_out():input()
    check(outs:n_ports():n_audio() == 2, "track has " .. outs:n_ports():n_audio() .. " outputs")
    for i = 0, 1 do
        local port = outs:audio(i)
        local target = master_in:audio(i):name()
        if not port:connected_to(target) then
            port:disconnect_all()
            check(port:connect(target) == 0, "cannot connect " .. port:name() .. " to " .. target)
        end
    end
end

local function check_connected_to_master(track)
    local outs = track:output()
    local master_in = Session:master_out():input()
    for i = 0, 1 do
        local port = outs:audio(i)
        check(port:connected_to(master_in:audio(i):name()),
            port:name() .. " is not connected to " .. master_in:audio(i):name())
    end
end

local float_wav_preset = "5d0c7a52-2f0e-4d6b-9a51-7b2f3e8c1a02"

local function export_to(path, first, last)
    local folder, name = path:match("^(.*)/([^/]+)%.wav$")
    check(folder ~= nil, "export path must end in .wav: " .. path)
    local e = Session:simple_export()
    check(e:set_preset(float_wav_preset), "export preset " .. float_wav_preset .. " not found")
    check(e:check_outputs(), "the master bus has no outputs to export")
    e:set_folder(folder)
    e:set_name(name)
    e:set_range(first, last)
    check(e:run_export(), "export failed")
    print("exported " .. path .. " (" .. (last - first) .. " samples)")
end

local function save()
    -- Arguments: snapshot name (empty: the session's own), pending, switch_to_snapshot,
    -- template_only, for_archive, only_used_assets.
    check(Session:save_state("", false, false, false, false, false) == 0, "save failed")
end

local function open(dir)
    check(load_session(dir, session_name(dir)) ~= nil, "cannot load session " .. dir)
end

local function new_signal_session(dir, seconds)
    check(create_session(dir, session_name(dir), RATE) ~= nil, "cannot create session " .. dir)
    local tracks = Session:new_audio_track(2, 2, nil, 1, "Signal",
        ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true)
    local track = tracks:front()
    check(track ~= nil and not track:isnil(), "cannot create the track")

    -- ACE Noise: Noise Level (dBFS), Noise Type (2 = pink).
    local noise = ARDOUR.LuaAPI.new_luaproc(Session, "ACE Noise")
    check(not noise:isnil(), "Ardour's noise generator (ACE Noise) is missing")
    ARDOUR.LuaAPI.set_processor_param(noise, 0, -18)
    ARDOUR.LuaAPI.set_processor_param(noise, 1, 2)
    check(track:to_route():add_processor_by_index(noise, 0, nil, true) == 0,
        "cannot insert the noise generator")

    local length = math.floor(seconds * RATE)
    local region = track:bounce_range(0, length, ARDOUR.InterThreadInfo(), track:main_outs(),
        false, "pink-noise")
    check(not region:isnil(), "bounce failed")
    check(region:length():samples() == length, "bounced " .. region:length():samples() ..
        " samples, wanted " .. length)

    track:to_route():remove_processor(noise, nil, true)
    track:playlist():add_region(region, Temporal.timepos_t(0), 1, false)
    -- Play the region, never the (unused) inputs.
    track:monitoring_control():set_value(ARDOUR.MonitorChoice.MonitorDisk,
        PBD.GroupControlDisposition.NoGroup)
    connect_to_master(track)
    save()
    close_session()
end

local function insert_plugin(dir, type_name, export_path, params)
    open(dir)
    local track = the_track()
    check(tolvane_on(track) == nil, "the session already holds Tolvane-Q")
    local proc = ARDOUR.LuaAPI.new_plugin(Session, "Tolvane-Q", plugin_type(type_name), "")
    check(not proc:isnil(), "Ardour does not know Tolvane-Q as " .. type_name ..
        " (not scanned?)")
    check(track:to_route():add_processor_by_index(proc, 0, nil, true) == 0,
        "cannot insert Tolvane-Q")
    for _, p in ipairs(params) do
        set_normalised(proc, p[1], p[2])
    end
    check_parameters(proc, params, "reads")
    print_parameters(proc)
    connect_to_master(track)
    check_connected_to_master(track)
    export_to(export_path, region_extent(track))
    save()
    close_session()
end

local function reopen(dir, type_name, export_path, params)
    open(dir)
    local track = the_track()
    local proc = tolvane_on(track)
    check(proc ~= nil, "Tolvane-Q did not come back with the session")
    local plugin = proc:to_insert():plugin(0)
    check(plugin:get_info().type == plugin_type(type_name),
        "Tolvane-Q came back as another plug-in type")
    print_parameters(proc)
    check_parameters(proc, params, "restored as")
    check_connected_to_master(track)
    export_to(export_path, region_extent(track))
    save()
    close_session()
end

if step == "signal" then
    check(#arg == 3, "usage: signal DIR SECONDS")
    new_signal_session(arg[2], tonumber(arg[3]))
elseif step == "insert" then
    check(#arg >= 4, "usage: insert DIR TYPE EXPORT INDEX=VALUE...")
    insert_plugin(arg[2], arg[3], arg[4], parameter_arguments(5))
elseif step == "reopen" then
    check(#arg >= 4, "usage: reopen DIR TYPE EXPORT INDEX=VALUE...")
    reopen(arg[2], arg[3], arg[4], parameter_arguments(5))
else
    fail("unknown step")
end
print("ardour-step-ok " .. step)

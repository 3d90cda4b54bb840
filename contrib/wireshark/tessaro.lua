-- Wireshark dissector for Tessaro's two wires: serial frames and replies as Tessaro captures them
-- (pcapng, link type USER0 = 147, one interface per port) and UDP datagrams on ports 24582 (the
-- reader's command port) and 24583 (where Tessaro listens).
--
-- Enable it: copy this file to Wireshark's personal Lua plugin folder
--   mkdir -p ~/.local/lib/wireshark/plugins && cp tessaro.lua ~/.local/lib/wireshark/plugins/
-- or run: wireshark -X lua_script:tessaro.lua capture.pcapng
--
-- Display filters: tessaro.cmd == 0x16, tessaro.checksum.status == "bad",
-- tessaro.cmd_name == "Horn", tessaro.horn == "Open".

local tessaro = Proto("tessaro", "Tessaro reader protocol")

local SYNC_CODE = 0x05
local HEADER_LEN = 4
local SERIAL_PARAM_RECORD_LEN = 176
local PARAM_REPLY_LEN = HEADER_LEN + SERIAL_PARAM_RECORD_LEN + 2
local DISCOVER_DEV_LEN = 96
local DEV_PARAM_LEN = 568
local FIELD_LEN = 32
local READER_PORT = 24582
local LOCAL_PORT = 24583

-- Command names, as Tessaro's frame log writes them. A reader answers a serial command with its
-- code + 1, and confirms a setting sent over UDP the same way.
local NAMES = {
    -- code = {serial, udp}
    [0x01] = {"Get parameter", "Version"},
    [0x02] = {"Parameter record", nil},
    [0x03] = {nil, "Discovery"},
    [0x06] = {"Output format", nil},
    [0x07] = {"Output format reply", "Output format ack"},
    [0x08] = {"Card input format", nil},
    [0x09] = {"Card input format reply", "Card input format ack"},
    [0x0A] = {"Enter/Line feed", nil},
    [0x0B] = {"Enter/Line feed reply", "Enter/Line feed ack"},
    [0x0C] = {"Barcode prefix", nil},
    [0x0D] = {"Barcode prefix reply", "Barcode prefix ack"},
    [0x0E] = {"Barcode suffix", nil},
    [0x0F] = {"Barcode suffix reply", "Barcode suffix ack"},
    [0x10] = {"Light", nil},
    [0x11] = {"Light reply", "Light ack"},
    [0x12] = {"Working mode", nil},
    [0x13] = {"Working mode reply", "Working mode ack"},
    [0x14] = {"Switch", nil},
    [0x15] = {"Switch reply", "Switch ack"},
    [0x16] = {"Horn", nil},
    [0x17] = {"Horn reply", "Horn ack"},
    [0x18] = {"Cloud", nil},
    [0x19] = {"Cloud reply", "Cloud ack"},
    [0x1B] = {nil, "Command 0x1A ack"},
    [0x1C] = {"Wiegand timing", nil},
    [0x1D] = {"Wiegand timing reply", "Wiegand timing ack"},
    [0x1F] = {nil, "Parameter record"},
    [0x20] = {nil, "Set network"},
    [0x21] = {nil, "Set network ack"},
    [0x26] = {"Serial parameters", nil},
    [0x27] = {"Serial parameters reply", "Serial parameters ack"},
    [0x28] = {"Reset interval", nil},
    [0x29] = {"Reset interval reply", "Reset interval ack"},
    [0x2A] = {"QR code", nil},
    [0x2B] = {"QR code reply", "QR code ack"},
    [0x2C] = {"Card prefix and suffix", nil},
    [0x2D] = {"Card prefix and suffix reply", "Card prefix and suffix ack"},
    [0x2E] = {"Total records", nil},
    [0x2F] = {"Total records reply", nil},
    [0x30] = {"Read record", nil},
    [0x31] = {"Read record reply", nil},
    [0x32] = {"Keep a record", nil},
    [0x33] = {"Keep a record reply", nil},
}
-- The network set-up goes out as two datagrams: this header, then the 96-byte block alone.
local SET_NETWORK_DATA = "Set network data"

-- The items of the dialog's lists, in list order (a byte is a zero-based position).
local LISTS = {
    output_format = {"USB keyboard", "USB serial port", "RS232", "RS485", "WG26", "WG34",
                     "WG256", "Wechat app open"},
    card_input_format = {"6H", "8H", "8H10D", "6H10D", "2h3D+4h5d"},
    enter = {"No enter", "Enter"},
    line_feed = {"No Line Feed", "Line Feed"},
    parity = {"EVEN", "ODD", "NONE"},
    qr_output_format = {"ASCII", "Hexadecimal"},
    reset_interval = {"0", "12 hours", "24 hours"},
    working_mode = {"Common mode", "Single mode", "Interval mode"},
    horn = {"Close", "Open"},
    light = {"turn off(Sweeping light)", "turn on", "Detect the light"},
    switch = {"Close", "Open"},
    card_output_format = {"hex", "ASCII"},
    affix_format = {"hex", "ASCII"},
    wiegand_output_order = {"In order", "Reverse order"},
    card_number_format = {"8H10D", "Hexadecimal", "2H3D+4H5D"},
    cloud_provider = {"Aliyun", "Baidu"},
    net_mode = {"Fixed IP", "Automatic acquisition"},
    http_server = {"PHP", "JSP", "C#", "ASP", "CGI"},
}

local F = tessaro.fields
local function str(key, label) F[key] = ProtoField.string("tessaro." .. key, label) end
local function i32(key, label) F[key] = ProtoField.int32("tessaro." .. key, label) end
local function u8(key, label) F[key] = ProtoField.uint8("tessaro." .. key, label) end
local function ipv4(key, label) F[key] = ProtoField.ipv4("tessaro." .. key, label) end

F.channel = ProtoField.string("tessaro.channel", "Channel")
F.sync = ProtoField.uint8("tessaro.sync", "Sync code", base.HEX)
F.cmd = ProtoField.uint8("tessaro.cmd", "Command", base.HEX)
F.cmd_name = ProtoField.string("tessaro.cmd_name", "Command name")
F.length = ProtoField.uint8("tessaro.length", "Length", base.DEC)
F.checksum = ProtoField.uint8("tessaro.checksum", "Checksum", base.HEX)
F.checksum_expected = ProtoField.uint8("tessaro.checksum.expected", "Expected checksum", base.HEX)
F.checksum_status = ProtoField.string("tessaro.checksum.status", "Checksum status")
F.payload = ProtoField.bytes("tessaro.payload", "Payload")
F["end"] = ProtoField.bytes("tessaro.end", "End (CR LF)")
F.record = ProtoField.bytes("tessaro.record", "Record")
F.record_text = ProtoField.string("tessaro.record_text", "Record text")
F.version = ProtoField.string("tessaro.version", "Version")
F.reserved = ProtoField.bytes("tessaro.reserved", "Reserved")
F.reply = ProtoField.bytes("tessaro.reply", "Reply put together")

-- Profile keys.
for _, key in ipairs({"output_format", "card_input_format", "enter", "line_feed", "parity",
                      "qr_output_format", "reset_interval", "working_mode", "horn", "light",
                      "switch", "card_output_format", "wiegand_output_order",
                      "card_number_format"}) do
    str(key, key)
end
i32("baud_rate", "baud_rate")
u8("data_bits", "data_bits")
u8("stop_bits", "stop_bits")
i32("wiegand_high_pulse_us", "wiegand_high_pulse_us")
i32("wiegand_low_pulse_us", "wiegand_low_pulse_us")
u8("start_bit", "start_bit")
for _, key in ipairs({"barcode_prefix", "barcode_suffix", "card_prefix", "card_suffix"}) do
    F[key] = ProtoField.bytes("tessaro." .. key, key)
    i32(key .. ".length", key .. " length")
    str(key .. ".text", key .. " as text")
    str(key .. ".format", key .. " format")
end
-- Network and cloud fields.
str("device_name", "Device name")
str("net_mode", "Network mode")
ipv4("ip_addr", "IP address")
ipv4("subnet_mask", "Subnet mask")
ipv4("gateway", "Gateway")
ipv4("dns1", "DNS 1")
ipv4("dns2", "DNS 2")
str("server_addr", "Server address")
i32("server_port", "Server port")
str("http_server", "HTTP server")
str("cloud_provider", "Cloud provider")
ipv4("cloud_server", "Cloud server")
for _, key in ipairs({"product_name", "product_key", "device_name_cloud", "device_key",
                      "publish_topic", "subscribe_topic"}) do
    str(key, key)
end

local E = {
    bad_sync = ProtoExpert.new("tessaro.bad_sync", "Bad sync code", expert.group.MALFORMED,
                               expert.severity.ERROR),
    short = ProtoExpert.new("tessaro.short", "Shorter than the 4-byte header",
                            expert.group.MALFORMED, expert.severity.ERROR),
    short_record = ProtoExpert.new("tessaro.short_record", "Short record",
                                   expert.group.MALFORMED, expert.severity.ERROR),
    bad_length = ProtoExpert.new("tessaro.bad_length", "Length byte does not count the frame",
                                 expert.group.MALFORMED, expert.severity.WARN),
    bad_checksum = ProtoExpert.new("tessaro.bad_checksum", "Bad checksum", expert.group.CHECKSUM,
                                   expert.severity.ERROR),
    unknown = ProtoExpert.new("tessaro.unknown_cmd", "Command Tessaro does not know",
                              expert.group.UNDECODED, expert.severity.WARN),
    ignored = ProtoExpert.new("tessaro.ignored", "Even command from a reader: ignored by Tessaro",
                              expert.group.PROTOCOL, expert.severity.WARN),
    data_short = ProtoExpert.new("tessaro.data_short", "Data short: the rest reads as zero",
                                 expert.group.PROTOCOL, expert.severity.NOTE),
    reply_part = ProtoExpert.new("tessaro.reply_part", "First piece of a reply: the rest follows",
                                 expert.group.SEQUENCE, expert.severity.NOTE),
    no_header = ProtoExpert.new("tessaro.no_header", "No header: the rest of a reply or an echo",
                                expert.group.SEQUENCE, expert.severity.NOTE),
}
tessaro.experts = {E.bad_sync, E.short, E.short_record, E.bad_length, E.bad_checksum, E.unknown,
                   E.ignored, E.data_short, E.reply_part, E.no_header}

local f_udp_srcport = Field.new("udp.srcport")
local f_udp_dstport = Field.new("udp.dstport")
local f_direction = Field.new("frame.packet_flags_direction")
local f_interface = Field.new("frame.interface_id")

-- A reply read in pieces (the serial line delivers what has arrived) is put together again: the
-- pieces of a reply not yet ended by CR LF, by interface; and each ending piece's whole reply.
local pending_reply = {}
local whole_reply = {}

local function item_text(list, index)
    local items = LISTS[list]
    if index >= 0 and index < #items then
        return items[index + 1]
    end
    return "item " .. index
end

-- A list byte at offset, shown as its item. base is 1 for the fields the parameter record keeps
-- one-based.
local function add_list(tree, buf, offset, key, list, base)
    local index = buf(offset, 1):int() - (base or 0)
    tree:add(F[key], buf(offset, 1), item_text(list or key, index))
end

-- Fixed-width text up to its NUL (the whole field when it has none); bytes outside printable
-- ASCII as \xNN, so that hostile bytes cannot break a display or an export.
local function text_of(range)
    local bytes = range:bytes()
    local out = {}
    for i = 0, bytes:len() - 1 do
        local b = bytes:get_index(i)
        if b == 0 then
            break
        elseif b >= 0x20 and b < 0x7F and b ~= 0x5C then
            out[#out + 1] = string.char(b)
        else
            out[#out + 1] = string.format("\\x%02x", b)
        end
    end
    return table.concat(out)
end

local function add_text(tree, buf, offset, width, key)
    tree:add(F[key], buf(offset, width), text_of(buf(offset, width)))
end

-- An affix: its bytes, and the same as text.
local function add_affix(tree, buf, offset, count, key)
    if count > 0 then
        local item = tree:add(F[key], buf(offset, count))
        item:add(F[key .. ".text"], buf(offset, count), text_of(buf(offset, count)))
    end
end

-- Serial: the record of the parameter reply.
local function dissect_serial_record(buf, tree)
    local t = tree:add(F.record, buf(0, SERIAL_PARAM_RECORD_LEN))
    t:set_text("Serial parameter record")
    add_list(t, buf, 0, "output_format")
    add_list(t, buf, 1, "card_input_format")
    add_list(t, buf, 2, "enter")
    add_list(t, buf, 3, "line_feed")
    t:add_le(F.baud_rate, buf(4, 4))
    t:add(F.data_bits, buf(8, 1))
    t:add(F.stop_bits, buf(9, 1))
    add_list(t, buf, 10, "parity")
    add_list(t, buf, 11, "qr_output_format")
    add_list(t, buf, 12, "reset_interval")
    add_list(t, buf, 13, "working_mode")
    add_list(t, buf, 14, "horn")
    add_list(t, buf, 15, "light")
    for _, affix in ipairs({{16, "barcode_prefix"}, {52, "barcode_suffix"}, {88, "card_prefix"},
                            {124, "card_suffix"}}) do
        local at, key = affix[1], affix[2]
        local count = buf(at, 4):le_int()
        t:add_le(F[key .. ".length"], buf(at, 4))
        add_affix(t, buf, at + 4, math.max(0, math.min(count, FIELD_LEN)), key)
    end
    t:add_le(F.wiegand_high_pulse_us, buf(160, 4))
    t:add_le(F.wiegand_low_pulse_us, buf(164, 4))
    add_list(t, buf, 168, "wiegand_output_order")
    add_list(t, buf, 169, "card_number_format")
    t:add(F.start_bit, buf(170, 1))
    t:add(F.reserved, buf(171, 5))
end

-- The network block: the discovery record from byte 16, the parameter record from byte 0.
-- Addresses travel last dotted field first.
local function dissect_net_block(buf, base, t)
    add_list(t, buf, base, "net_mode")
    t:add_le(F.ip_addr, buf(base + 4, 4))
    t:add_le(F.subnet_mask, buf(base + 8, 4))
    t:add_le(F.gateway, buf(base + 12, 4))
    t:add_le(F.dns1, buf(base + 16, 4))
    t:add_le(F.dns2, buf(base + 20, 4))
    add_text(t, buf, base + 24, 48, "server_addr")
    t:add_le(F.server_port, buf(base + 72, 4))
    add_list(t, buf, base + 76, "http_server")
end

local function dissect_discover_dev(buf, tree)
    local t = tree:add(F.record, buf(0, DISCOVER_DEV_LEN))
    t:set_text("Discovery record")
    add_text(t, buf, 0, 16, "device_name")
    dissect_net_block(buf, 16, t)
end

local function dissect_cloud(buf, base, t)
    add_list(t, buf, base, "cloud_provider")
    t:add_le(F.cloud_server, buf(base + 4, 4))
    local keys = {"product_name", "product_key", "device_name_cloud", "device_key",
                  "publish_topic", "subscribe_topic"}
    for i, key in ipairs(keys) do
        add_text(t, buf, base + 8 + (i - 1) * FIELD_LEN, FIELD_LEN, key)
    end
end

local function dissect_dev_param(buf, tree)
    local t = tree:add(F.record, buf(0, DEV_PARAM_LEN))
    t:set_text("Parameter record")
    dissect_net_block(buf, 0, t)
    t:add(F.reserved, buf(80, 128))
    dissect_cloud(buf, 208, t)
    add_list(t, buf, 408, "output_format", nil, 1)
    add_list(t, buf, 409, "card_input_format", nil, 1)
    add_list(t, buf, 410, "enter")
    add_list(t, buf, 411, "line_feed")
    t:add(F["barcode_prefix.format"], buf(412, 1), item_text("affix_format", buf(412, 1):int()))
    add_affix(t, buf, 413, FIELD_LEN, "barcode_prefix")
    t:add(F["barcode_suffix.format"], buf(445, 1), item_text("affix_format", buf(445, 1):int()))
    add_affix(t, buf, 446, FIELD_LEN, "barcode_suffix")
    add_list(t, buf, 478, "light")
    add_list(t, buf, 479, "working_mode")
    add_list(t, buf, 480, "switch")
    add_list(t, buf, 481, "horn")
    -- Kept in units of 100 us.
    t:add(F.wiegand_high_pulse_us, buf(482, 4), buf(482, 4):le_int() * 100)
    t:add(F.wiegand_low_pulse_us, buf(486, 4), buf(486, 4):le_int() * 100)
    add_list(t, buf, 490, "wiegand_output_order")
    t:add_le(F.baud_rate, buf(491, 4))
    t:add(F.data_bits, buf(495, 1))
    t:add(F.stop_bits, buf(496, 1))
    add_list(t, buf, 497, "parity")
    add_list(t, buf, 498, "qr_output_format")
    add_list(t, buf, 499, "reset_interval")
    add_list(t, buf, 500, "card_number_format")
    t:add(F.start_bit, buf(501, 1))
    t:add(F["card_prefix.format"], buf(502, 1), item_text("affix_format", buf(502, 1):int()))
    add_list(t, buf, 503, "card_output_format")
    add_affix(t, buf, 504, FIELD_LEN, "card_prefix")
    add_affix(t, buf, 536, FIELD_LEN, "card_suffix")
end

-- An affix payload: its count, then the bytes.
local function dissect_count_affix(buf, at, t, key)
    if buf:len() < at + 1 then
        return at
    end
    local count = buf(at, 1):uint()
    t:add(F[key .. ".length"], buf(at, 1), count)
    local n = math.min(count, buf:len() - at - 1)
    add_affix(t, buf, at + 1, n, key)
    return at + 1 + n
end

-- The payload of a setting command, and of the confirmation that carries it back. Returns the
-- size the payload should have, for the short-data check.
local function dissect_setting(code, buf, t)
    local setting = bit.band(code, 0xFE)
    local n = buf and buf:len() or 0
    local function need(size)
        return n >= size
    end
    if setting == 0x06 then
        if need(1) then add_list(t, buf, 0, "output_format") end
        return 1
    elseif setting == 0x08 then
        if need(1) then add_list(t, buf, 0, "card_input_format") end
        return 1
    elseif setting == 0x0A then
        if need(1) then add_list(t, buf, 0, "enter") end
        if need(2) then add_list(t, buf, 1, "line_feed") end
        return 2
    elseif setting == 0x0C or setting == 0x0E then
        if buf then
            dissect_count_affix(buf, 0, t, setting == 0x0C and "barcode_prefix" or "barcode_suffix")
        end
        return 1
    elseif setting == 0x10 then
        if need(1) then add_list(t, buf, 0, "light") end
        return 1
    elseif setting == 0x12 then
        if need(1) then add_list(t, buf, 0, "working_mode") end
        return 1
    elseif setting == 0x14 then
        if need(1) then add_list(t, buf, 0, "switch") end
        return 1
    elseif setting == 0x16 then
        if need(1) then add_list(t, buf, 0, "horn") end
        return 1
    elseif setting == 0x18 then
        if need(200) then dissect_cloud(buf, 0, t) end
        return 200
    elseif setting == 0x1C then
        if need(9) then
            t:add_le(F.wiegand_high_pulse_us, buf(0, 4))
            t:add_le(F.wiegand_low_pulse_us, buf(4, 4))
            add_list(t, buf, 8, "wiegand_output_order")
        end
        return 9
    elseif setting == 0x26 then
        if need(8) then
            t:add_le(F.baud_rate, buf(0, 4))
            t:add(F.data_bits, buf(4, 1))
            t:add(F.stop_bits, buf(5, 1))
            add_list(t, buf, 6, "parity")
            add_list(t, buf, 7, "qr_output_format")
        end
        return 8
    elseif setting == 0x28 then
        if need(1) then add_list(t, buf, 0, "reset_interval") end
        return 1
    elseif setting == 0x2A then
        if need(1) then add_list(t, buf, 0, "card_number_format") end
        if need(2) then t:add(F.start_bit, buf(1, 1)) end
        return 2
    elseif setting == 0x2C then
        if need(1) then add_list(t, buf, 0, "card_output_format") end
        if buf then
            local at = dissect_count_affix(buf, 1, t, "card_prefix")
            dissect_count_affix(buf, at, t, "card_suffix")
        end
        return 3
    elseif setting == 0x32 then
        if n > 0 then t:add(F.record_text, buf(0, n), text_of(buf(0, n))) end
        return 0
    end
    return 0
end

-- Bytes 0, 1 and 2 and the payload, modulo 256.
local function serial_sum(buf)
    local bytes = buf:bytes()
    local sum = 0
    for i = 0, bytes:len() - 1 do
        if i ~= 3 then
            sum = sum + bytes:get_index(i)
        end
    end
    return sum % 256
end

-- 0xFF minus the sum of the bytes the length byte covers from offset 4; bytes past the end of
-- the datagram count as zero, as the receiver reads them.
local function udp_sum(buf, length)
    local bytes = buf:bytes()
    local sum = 0
    for i = 4, math.min(4 + length, bytes:len()) - 1 do
        sum = sum + bytes:get_index(i)
    end
    return 255 - (sum % 256)
end

local function add_checksum(tree, buf, status, expected)
    local item = tree:add(F.checksum, buf(3, 1))
    if expected ~= nil then
        tree:add(F.checksum_expected, buf(3, 1), expected):set_generated()
    end
    tree:add(F.checksum_status, buf(3, 1), status):set_generated()
    if status == "bad" then
        item:add_proto_expert_info(E.bad_checksum)
    end
    item:append_text(" [" .. status .. "]")
end

-- Whether the frame was sent by Tessaro: from the capture's direction flags, or for datagrams
-- from the port they went to.
local function outbound(channel)
    local dir = f_direction()
    if dir then
        return dir.value == 2
    end
    if channel == "udp" then
        local dst = f_udp_dstport()
        return dst and dst.value == READER_PORT
    end
    return true
end

-- The network set-up's header datagram last seen from each sender to each reader, and the
-- frames found to be its block (kept, so that a second pass decodes them alike).
local set_network_header = {}
local set_network_block = {}

function tessaro.init()
    pending_reply = {}
    whole_reply = {}
    set_network_header = {}
    set_network_block = {}
end

local function command_name(channel, code)
    local row = NAMES[code]
    local name = row and (channel == "serial" and row[1] or row[2]) or nil
    return name, name ~= nil
end

function tessaro.dissector(buf, pinfo, tree)
    local channel = f_udp_srcport() and "udp" or "serial"
    local sent = outbound(channel)
    local n = buf:len()
    pinfo.cols.protocol = "Tessaro"
    local t = tree:add(tessaro, buf(0, n))
    t:add(F.channel, channel):set_generated()

    if n >= 2 and buf(0, 1):uint() == SYNC_CODE then
        local code = buf(1, 1):uint()
        local name, known = command_name(channel, code)
        local shown = name or string.format("code 0x%02X", code)
        t:add(F.sync, buf(0, 1))
        local c = t:add(F.cmd, buf(1, 1))
        c:append_text(" (" .. shown .. ")")
        t:add(F.cmd_name, buf(1, 1), shown):set_generated()
        pinfo.cols.info = shown
        t:append_text(", " .. shown)
        if not known then
            c:add_proto_expert_info(E.unknown)
        elseif channel == "udp" and not sent and code % 2 == 0 then
            c:add_proto_expert_info(E.ignored)
        end
        if n < HEADER_LEN then
            t:add_proto_expert_info(E.short)
            return n
        end
        local length = buf(2, 1):uint()
        local l = t:add(F.length, buf(2, 1))
        if channel == "serial" then
            if sent then
                if length ~= n % 256 then
                    l:add_proto_expert_info(E.bad_length)
                end
                local expected = serial_sum(buf)
                add_checksum(t, buf, expected == buf(3, 1):uint() and "good" or "bad", expected)
            else
                -- A reader's replies follow no checksum rule Tessaro could check.
                add_checksum(t, buf, "not checked", nil)
            end
        else
            if length == 0 then
                add_checksum(t, buf, "not checked", nil)
            else
                local expected = udp_sum(buf, length)
                add_checksum(t, buf, expected == buf(3, 1):uint() and "good" or "bad", expected)
            end
            if sent and code == 0x20 and n == HEADER_LEN and not pinfo.visited then
                set_network_header[tostring(pinfo.src) .. ">" .. tostring(pinfo.dst)] = pinfo.number
            end
        end

        local body = n - HEADER_LEN
        if channel == "serial" and not sent then
            -- Replies end with CR LF.
            local ended = n >= 2 and buf(n - 2, 2):uint() == 0x0D0A
            if ended then
                body = body - 2
            end
            if not pinfo.visited then
                local interface = f_interface() and f_interface().value or 0
                pending_reply[interface] = not ended and buf:bytes() or nil
            end
            if code == 0x02 and not ended and n < PARAM_REPLY_LEN then
                t:add_proto_expert_info(E.reply_part)
                if body > 0 then
                    t:add(F.payload, buf(HEADER_LEN, body))
                end
            elseif code == 0x02 then
                if n < PARAM_REPLY_LEN or body < SERIAL_PARAM_RECORD_LEN then
                    t:add_proto_expert_info(E.short_record)
                    if body > 0 then
                        t:add(F.payload, buf(HEADER_LEN, body))
                    end
                else
                    dissect_serial_record(buf(HEADER_LEN, SERIAL_PARAM_RECORD_LEN):tvb(), t)
                end
            elseif body > 0 then
                local p = t:add(F.payload, buf(HEADER_LEN, body))
                if code == 0x31 then
                    p:add(F.record_text, buf(HEADER_LEN, body), text_of(buf(HEADER_LEN, body)))
                end
            end
            if body < n - HEADER_LEN then
                t:add(F["end"], buf(n - 2, 2))
            end
            return n
        end

        local data = body > 0 and buf(HEADER_LEN, body):tvb() or nil
        local p = body > 0 and t:add(F.payload, buf(HEADER_LEN, body)) or t
        local function record(size, dissect)
            if body >= size then
                dissect(data, p)
            else
                t:add_proto_expert_info(E.short_record)
            end
        end
        if channel == "udp" and (code == 0x03 or code == 0x21) then
            record(DISCOVER_DEV_LEN, dissect_discover_dev)
        elseif channel == "udp" and code == 0x20 then
            if body > 0 then
                record(DISCOVER_DEV_LEN, dissect_discover_dev)
            end
        elseif channel == "udp" and code == 0x1F then
            record(DEV_PARAM_LEN, dissect_dev_param)
        elseif channel == "udp" and code == 0x01 then
            if body >= 16 then
                local width = math.min(48, body - 16)
                if width > 0 then
                    p:add(F.version, data(16, width), text_of(data(16, width)))
                end
            end
            if body < 64 then
                t:add_proto_expert_info(E.data_short)
            end
        elseif channel == "udp" and (code == 0x0D or code == 0x0F) then
            -- The count, then the 32-byte affix field.
            if data then
                dissect_count_affix(data, 0, p, code == 0x0D and "barcode_prefix"
                                                   or "barcode_suffix")
            end
            if body < 1 + FIELD_LEN then
                t:add_proto_expert_info(E.data_short)
            end
        elseif channel == "udp" and (code == 0x1B or code == 0x2B or code == 0x2D) then
            -- Nothing Tessaro reads.
        elseif known then
            local size = dissect_setting(code, data, p)
            if body < size then
                t:add_proto_expert_info(E.data_short)
            end
        end
        return n
    end

    -- No header.
    if channel == "udp" and sent and n == DISCOVER_DEV_LEN then
        local key = tostring(pinfo.src) .. ">" .. tostring(pinfo.dst)
        if not pinfo.visited and set_network_header[key] then
            set_network_header[key] = nil
            set_network_block[pinfo.number] = true
        end
        if set_network_block[pinfo.number] then
            pinfo.cols.info = SET_NETWORK_DATA
            t:append_text(", " .. SET_NETWORK_DATA)
            t:add(F.cmd_name, SET_NETWORK_DATA):set_generated()
            dissect_discover_dev(buf, t)
            return n
        end
    end
    pinfo.cols.info = "-"
    if n == 0 then
        t:add_proto_expert_info(E.short)
    elseif channel == "serial" and not sent then
        local ended = n >= 2 and buf(n - 2, 2):uint() == 0x0D0A
        if not pinfo.visited then
            local interface = f_interface() and f_interface().value or 0
            local before = pending_reply[interface]
            if before then
                local joined = before .. buf:bytes()
                pending_reply[interface] = not ended and joined or nil
                if ended then
                    whole_reply[pinfo.number] = joined
                end
            end
        end
        local whole = whole_reply[pinfo.number]
        if whole then
            -- The last piece of a reply: the reply as a whole.
            local reply = whole:tvb("Reply")
            local r = t:add(F.reply, reply(0, reply:len()))
            if reply:len() == PARAM_REPLY_LEN and reply(1, 1):uint() == 0x02 then
                dissect_serial_record(reply(HEADER_LEN, SERIAL_PARAM_RECORD_LEN):tvb(), r)
            elseif reply(1, 1):uint() == 0x02 then
                r:add_proto_expert_info(E.short_record)
            end
        else
            t:add_proto_expert_info(E.no_header)
        end
        if ended then
            t:add(F["end"], buf(n - 2, 2))
        end
    elseif n < HEADER_LEN and buf(0, 1):uint() == SYNC_CODE then
        t:add_proto_expert_info(E.short)
    else
        t:add(F.sync, buf(0, 1)):add_proto_expert_info(E.bad_sync)
    end
    return n
end

local USER0 = (wtap_encaps and wtap_encaps.USER0) or (wtap and wtap.USER0) or 45
DissectorTable.get("wtap_encap"):add(USER0, tessaro)
DissectorTable.get("udp.port"):add(READER_PORT, tessaro)
DissectorTable.get("udp.port"):add(LOCAL_PORT, tessaro)

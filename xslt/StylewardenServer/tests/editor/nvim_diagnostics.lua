-- Run by nvim_client_test.py inside `nvim --headless`: attaches Neovim's own LSP client,
-- started on stylewarden-ls, to the buffer of the stylesheet being edited, waits for its
-- diagnostics and writes them, as Neovim holds them, to $DIAGNOSTICS_OUT as JSON.
local buffer = vim.api.nvim_get_current_buf()
local client = vim.lsp.start_client({
  name = 'stylewarden-ls',
  cmd = { os.getenv('STYLEWARDEN_LS') },
  root_dir = vim.fn.getcwd(),
})
local result = { attached = client ~= nil and vim.lsp.buf_attach_client(buffer, client) }
result.published = vim.wait(30000, function()
  return #vim.diagnostic.get(buffer) > 0
end, 20)
result.diagnostics = {}
for _, d in ipairs(vim.diagnostic.get(buffer)) do
  table.insert(result.diagnostics, {
    lnum = d.lnum, col = d.col, end_lnum = d.end_lnum, end_col = d.end_col,
    severity = d.severity, source = d.source, message = d.message,
  })
end
local out = io.open(os.getenv('DIAGNOSTICS_OUT'), 'w')
out:write(vim.fn.json_encode(result))
out:close()
if client ~= nil then
  vim.lsp.stop_client(client)
  vim.wait(10000, function() return vim.lsp.client_is_stopped(client) end, 20)
end
vim.cmd('qall!')

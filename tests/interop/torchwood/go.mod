module silvantrope.example/interop/torchwood

go 1.27.3

require (
	filippo.io/torchwood v0.10.0
	golang.org/x/mod v0.40.0
)

require (
	golang.org/x/crypto v0.56.0 // indirect
	golang.org/x/sync v0.22.0 // indirect
)

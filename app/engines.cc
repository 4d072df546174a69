// Placeholder until the engines are registered here.
